#include "test_script_writer.hpp"

#include "format/package_layout.hpp"
#include "script_stream_writer.hpp"

namespace valdorine::builder {
namespace {

constexpr uint32_t kEndMarker = 0xD3E82B97;
constexpr uint32_t kInitialProgressPosition = 27;
constexpr uint32_t kPlainPageStyle = 1;
constexpr int kDialogPageStyles = 8;
constexpr uint32_t kWord1ProductRegistration = 0x4;
constexpr uint32_t kWord1RequiredProduct = 0x10000;

void WriteAppearance(ScriptStreamWriter& out, const TestScriptSettings& settings) {
  out.VTextWide(settings.product_name);  // taskbar text
  out.VTextWide(settings.product_name);  // display title
  out.F64(24.0);                          // title size
  out.U32(kInitialProgressPosition);
  out.U16(0);                             // stage delay
  out.U8(0);                              // shortcut mode: current user
  out.Zeros(24);                          // uninstaller time: none
}

void WriteProduct(ScriptStreamWriter& out, const TestScriptSettings& settings) {
  out.VTextWide(u"Valdorine Test");       // publisher
  out.VTextWide(settings.product_name);
  out.VTextWide(u"");                     // description: the product name
  out.U8(0);                              // bitness: no requirement
  out.U8(0);                              // shared base: default
  for (int i = 0; i < 3; ++i) out.VTextWide(u"");  // shared path, portable shared path, start menu
  out.VTextNarrow("1.0");                 // display version
  out.VTextWide(settings.product_name);   // default installation folder
  out.VTextWide(u"");                     // product registry key
  out.Text32({});                         // registry lines
  out.VText({});                          // registry merge
  out.U32(0);                             // bitmap size
  out.U32(0);                             // stretch mode
  out.Text16({});                         // greeting link
  out.I32(0);                             // license texts
  out.I32(0);                             // readme texts
  out.VTextWide(u"");                     // uninstall subfolder
  out.Text8Wide(u"uninstall.exe");
  out.VTextWide(u"");                     // uninstall key: the product name
  out.CStr("");                           // install path key
  out.VTextWide(u"");                     // window title
}

void WriteBackground(ScriptStreamWriter& out, const TestScriptSettings& settings) {
  out.U32(0);            // header text colour
  out.U8(0);             // picture border
  out.U32(0xFFFFFF);     // title colour
  out.U8(0);             // title shadow
  out.U8(0);             // title position
  out.Text16(ScriptStreamWriter::AsBytes("Arial"));
  out.U32(0x800000);     // top colour
  out.U32(0x000000);     // bottom colour
  out.I32(0);            // no background picture
  out.U8(0);             // no copyright line
  if (settings.flag_word1 & kWord1RequiredProduct) {
    for (int i = 0; i < 3; ++i) out.VText({});  // required product: key, name, minimum version
  }
}

void WriteBatchesAndNotifications(ScriptStreamWriter& out, const TestScriptSettings& settings) {
  out.VText({});         // start sound
  out.VTextWide(u"");    // desktop folder
  out.Text32({});        // desktop folder icon
  for (int i = 0; i < 7; ++i) out.VText({});  // the seven batches
  out.Zeros(20);         // reserved
  out.U32(0);            // excluded systems
  out.U8(settings.archive_in_file ? 1 : 0);
  for (int i = 0; i < 13; ++i) out.VText({});  // launch program, two files to open, ten addresses
  out.CStr("");          // old version below
  out.U8(0);             // no-downgrade-below (text8)
  out.VText({});         // password
  out.VText({});         // must-uninstall-below
  out.VText({});         // firewall list
  out.VTextWide(u"");    // add-to-path subfolder
}

void WriteDisplaySettings(ScriptStreamWriter& out, const TestScriptSettings& settings) {
  out.U64(0);  // extra bytes for the size estimate
  for (int i = 0; i < kDialogPageStyles; ++i) out.U32(kPlainPageStyle);
  out.U32(settings.integrity_mode);
}

void WriteLists(ScriptStreamWriter& out, const TestScriptSettings& settings) {
  if (settings.flag_word1 & kWord1ProductRegistration) out.Text32({});  // uninstaller icon
  out.CStr("~~THE END~~");  // conditional deletions
  out.I32(0);               // associations
  out.I32(0);               // shortcuts
  out.VText({});            // root shortcut name
  out.VText({});            // root shortcut command
  out.WCStr(u"");           // taskbar pin command
  out.WCStr(u"");           // taskbar pin name
  out.I32(0);               // additional uninstall-key values
  out.Text16({});           // support offer
  out.Text32({});           // product icon
  out.Text16Wide(u"~~THE~END~~");  // auto-close list
}

void WriteLanguages(ScriptStreamWriter& out, const TestScriptSettings& settings) {
  out.U8(1);
  out.I32(settings.string_count);
  out.WCStr(u"English");
  for (int32_t i = 0; i < settings.string_count; ++i) out.WCStr(u"");
}

}  // namespace

std::vector<uint8_t> WriteTestScript(const TestScriptSettings& settings) {
  ScriptStreamWriter out;
  out.U32(settings.flag_word1 | kScriptFlagCompressedArchive);
  out.U32(settings.flag_word2);
  out.U8(0);  // automatic mode: the command line decides
  WriteAppearance(out, settings);
  WriteProduct(out, settings);
  WriteBackground(out, settings);
  WriteBatchesAndNotifications(out, settings);
  WriteDisplaySettings(out, settings);
  WriteLists(out, settings);
  WriteLanguages(out, settings);
  out.U32(kEndMarker);
  return out.Take();
}

}  // namespace valdorine::builder
