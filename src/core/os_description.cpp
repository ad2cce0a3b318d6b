#include "core/os_description.hpp"

namespace valdorine {
namespace {

using namespace os_release;

String Text(const char16_t* text) { return String::FromWide(text); }

String Name9x(const OsVersionInfo& os) {
  if (os.major == 4 && os.minor == 0) return Text(u"95");
  if (os.major == 4 && os.minor == 10) return Text(os.second_edition ? u"98 SE" : u"98");
  if (os.major == 4 && os.minor == 90) return Text(u"ME");
  return String::FormatWide(u"9x %d.%d", os.major, os.minor);
}

String Name5(const OsVersionInfo& os) {
  const bool workstation = !os.IsServer();
  switch (os.minor) {
    case 0: return Text(u"2000");
    case 1: return Text(u"XP");
    case 2:
      if (workstation) return Text(u"XP");  // XP Professional x64
      if (os.suite_mask & os_suite::kHomeServer) return Text(u"Home Server");
      if (os.suite_mask & os_suite::kStorageServer) return Text(u"Storage Server 2003");
      return Text(os.server_r2 ? u"Server 2003 R2" : u"Server 2003");
    default: return String::FormatWide(u"NT 5.%d", os.minor);
  }
}

String Name6(const OsVersionInfo& os) {
  const bool workstation = !os.IsServer();
  switch (os.minor) {
    case 0: return Text(workstation ? u"Vista" : u"Server 2008");
    case 1:
      if (workstation) return Text(u"7");
      if ((os.suite_mask & os_suite::kHomeServer) || os.edition == kHomeServer2011Edition) {
        return Text(u"Home Server 2011");
      }
      return Text(u"Server 2008 R2");
    case 2: return Text(workstation ? u"8" : u"Server 2012");
    case 3: return Text(workstation ? u"8.1" : u"Server 2012 R2");
    default: return String::FormatWide(u"NT 6.%d", os.minor);
  }
}

String Name10(const OsVersionInfo& os) {
  if (!os.IsServer()) return Text(os.build >= kFirstWindows11Build ? u"11" : u"10");
  if (os.build < kFirstServer2019Build) return Text(u"Server 2016");
  if (os.build < kFirstServer2022Build) return Text(u"Server 2019");
  return Text(u"Server 2022");
}

String ReleaseName(const OsVersionInfo& os) {
  if (!os.nt_platform) return Name9x(os);
  if (os.major == 5) return Name5(os);
  if (os.major == 6) return Name6(os);
  if (os.major == 10 && os.minor == 0) return Name10(os);
  return String::FormatWide(u"NT %d.%d", os.major, os.minor);
}

// "Server 2008 R2" becomes "2008 R2"; other names stay.
String YearAloneForServers(const String& name) {
  const int at = name.FindWide(u"Server 2");
  return at < 0 ? name : name.Substring(at + 7);
}

struct EditionName {
  uint32_t edition;
  const char16_t* words;
};

// Product-information numbers of Vista and later.
constexpr EditionName kEditions[] = {
    {0x01, u" Ultimate"},
    {0x02, u" Home Basic"},
    {0x03, u" Home Premium"},
    {0x04, u" Enterprise"},
    {0x05, u" Home Basic N"},
    {0x06, u" Business"},
    {0x07, u" Server Standard"},
    {0x08, u" Datacenter"},
    {0x09, u" Small Business Server"},
    {0x0A, u" Enterprise"},
    {0x0B, u" Starter"},
    {0x0C, u" Datacenter (core)"},
    {0x0D, u" Server Standard (core)"},
    {0x0E, u" Enterprise (core)"},
    {0x10, u" Business N"},
    {0x11, u" Web Server"},
    {0x12, u" Cluster Server"},
    {0x14, u" Storage Server Express"},
    {0x15, u" Storage Server Standard"},
    {0x16, u" Storage Server Workgroup"},
    {0x17, u" Storage Server Enterprise"},
    {0x19, u" Small Business Server Premium"},
    {0x1A, u" Home Premium N"},
    {0x1B, u" Enterprise N"},
    {0x1C, u" Ultimate N"},
    {0x1D, u" Web Server (core)"},
    {0x21, u" Server Foundation"},
    {0x24, u" Server Standard (without Hyper-V)"},
    {0x25, u" Datacenter (without Hyper-V)"},
    {0x26, u" Enterprise (without Hyper-V)"},
    {0x27, u" Datacenter (core) (without Hyper-V)"},
    {0x28, u" Server Standard (core) (without Hyper-V)"},
    {0x29, u" Enterprise (core) (without Hyper-V)"},
    {0x2A, u" Hyper-V Server"},
    {0x2B, u" Storage Server Express (core)"},
    {0x2C, u" Storage Server Standard (core)"},
    {0x2D, u" Storage Server Workgroup (core)"},
    {0x2E, u" Storage Server Enterprise (core)"},
    {0x2F, u" Starter N"},
    {0x30, u" Professional"},
    {0x31, u" Professional N"},
    {0x40, u" Cluster Server (without Hyper-V)"},
    {0x4C, u" MultiPoint Server"},
    {0x4D, u" MultiPoint Server Premium"},
    {0x62, u" Home N"},
    {0x63, u" Home China"},
    {0x64, u" Home Single Language"},
    {0x65, u" Home"},
    {0x79, u" Education"},
    {0x7A, u" Education N"},
    {0x7D, u" Enterprise LTSB"},
    {0xA1, u" Pro for Workstations"},
};

const char16_t* EditionFromProductInfo(uint32_t edition) {
  for (const EditionName& entry : kEditions) {
    if (entry.edition == edition) return entry.words;
  }
  return u"";
}

// XP and Server 2003 predate the product information; their editions come from suite bits and
// system metrics.
const char16_t* EditionFromSuite(const OsVersionInfo& os) {
  if (os.IsServer()) {
    if (os.suite_mask & os_suite::kDatacenter) return u" Datacenter";
    if (os.suite_mask & os_suite::kEnterprise) return u" Enterprise";
    if (os.suite_mask & os_suite::kWebEdition) return u" Web";
    if (os.suite_mask & os_suite::kComputeServer) return u" Compute Cluster";
    return u"";
  }
  if (os.media_center) return u" Media Center";
  if (os.starter) return u" Starter";
  if (os.tablet_pc) return u" Tablet PC";
  if (os.suite_mask & os_suite::kEmbedded) return u" Embedded";
  if (os.suite_mask & os_suite::kPersonal) return u" Home";
  return u" Professional";
}

const char16_t* EditionWords(const OsVersionInfo& os) {
  if (!os.nt_platform || os.major < 5) return u"";
  if (os.major > 5) return EditionFromProductInfo(os.edition);
  switch (os.minor) {
    case 0: return os.IsServer() ? u" Server" : u" Professional";
    case 1:
    case 2: return EditionFromSuite(os);
    default: return u"";
  }
}

}  // namespace

String DescribeOs(const OsVersionInfo& os, uint32_t flags) {
  const bool name_only = (flags & os_description::kNameOnly) != 0;
  String text;
  // The name alone is what batch files compare: Wine shows only in the full description.
  if (!name_only && !os.wine_version.IsEmpty()) {
    text.AppendWide(u"WINE ");
    text.Append(os.wine_version);
    text.AppendWide(u" reporting as ");
  }
  if (name_only) {
    text.Append(YearAloneForServers(ReleaseName(os)));
  } else {
    text.AppendWide(u"Windows ");
    text.Append(ReleaseName(os));
    if (!(flags & os_description::kShort)) {
      text.AppendWide(EditionWords(os));
      if (os.is_64bit_windows) text.AppendWide(u" x64");
    }
  }
  if (!(flags & os_description::kNoServicePack) && !os.service_pack.IsEmpty()) {
    text.AppendWideChar(u' ');
    text.Append(os.service_pack);
  }
  if (!name_only && os.nt_platform && os.major == 10 && !os.IsServer() && !os.release_id.IsEmpty()) {
    text.AppendWideChar(u' ');
    text.Append(os.release_id);
  }
  text.TrimRight();
  return text;
}

}  // namespace valdorine
