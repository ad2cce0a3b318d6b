// [[files]]: which files the package carries and the entry each one becomes.
#include <algorithm>
#include <map>

#include "format/entry_name_check.hpp"
#include "input_files.hpp"
#include "project_sections.hpp"
#include "source_glob.hpp"
#include "text_codec.hpp"

namespace valdorine::builder {
namespace {

namespace kind {
constexpr uint32_t kInstallFolder = 0, kShared = 1, kFont = 4, kStartup = 5, kVersionedFirst = 6, kVersionedLast = 9,
                   kMsiPackage = 11, kApplet = 12;
}  // namespace kind

namespace entry_flag {
constexpr uint32_t kDesktopShortcut = 0x1, kStartMenuShortcut = 0x2, kPermanent = 0x20, kUninstallFolder = 0x40,
                   kRemovePackageAtUninstall = 0x80;
constexpr int kOverwriteShift = 2;
}  // namespace entry_flag

std::u16string U16(const String& wide) { return std::u16string(wide.Wide(), static_cast<size_t>(wide.WideLength())); }

std::string Utf8Of(const String& bytes) { return std::string(bytes.Narrow(), static_cast<size_t>(bytes.Length())); }

bool MakesShortcuts(uint32_t k) { return k == kind::kInstallFolder || k == kind::kStartup; }

// The keys that only some kinds understand.
struct KindKey {
  const char* key;
  bool (*fits)(uint32_t kind);
  const char* kinds;  // for the message
};

constexpr KindKey kKindKeys[] = {
    {"shortcut_name", MakesShortcuts, "install-folder and startup-program"},
    {"shortcut_icon", MakesShortcuts, "install-folder and startup-program"},
    {"desktop_shortcut", MakesShortcuts, "install-folder and startup-program"},
    {"start_menu_shortcut", MakesShortcuts, "install-folder and startup-program"},
    {"working_folder", MakesShortcuts, "install-folder and startup-program"},
    {"version", [](uint32_t k) { return k >= kind::kVersionedFirst && k <= kind::kVersionedLast; },
     "system-shared, system-com-server, system-type-library and install-folder-versioned"},
    {"font_title", [](uint32_t k) { return k == kind::kFont; }, "fonts"},
    {"applet_name", [](uint32_t k) { return k == kind::kApplet; }, "control-panel-applet"},
    {"applet_class", [](uint32_t k) { return k == kind::kApplet; }, "control-panel-applet"},
    {"installer_ui_level", [](uint32_t k) { return k == kind::kMsiPackage; }, "msi-package"},
    {"remove_at_uninstall", [](uint32_t k) { return k == kind::kMsiPackage; }, "msi-package"},
};

void CheckKindKeys(TableReader& t, uint32_t k) {
  for (const KindKey& key : kKindKeys) {
    if (t.Has(key.key) && !key.fits(k)) t.Problem(key.key, std::string("only for the kinds ") + key.kinds);
  }
  if (k == kind::kFont && !t.Has("font_title")) t.Problem("font_title", "a font needs its title");
  if (k == kind::kApplet && (!t.Has("applet_name") || !t.Has("applet_class"))) {
    t.Problem("applet_name", "an applet needs applet_name and applet_class");
  }
}

uint32_t Flags(TableReader& t) {
  uint32_t flags = 0;
  t.Flag("desktop_shortcut", flags, entry_flag::kDesktopShortcut);
  t.Flag("start_menu_shortcut", flags, entry_flag::kStartMenuShortcut);
  t.Flag("permanent", flags, entry_flag::kPermanent);
  t.Flag("to_uninstall_folder", flags, entry_flag::kUninstallFolder);
  t.Flag("remove_at_uninstall", flags, entry_flag::kRemovePackageAtUninstall);
  if (auto mode = t.Choice<uint32_t>("overwrite", {{"default", 0}, {"never", 1}, {"only-if-exists", 2},
                                                   {"only-if-absent", 3}, {"unless-existing-is-newer", 4}})) {
    flags |= *mode << entry_flag::kOverwriteShift;
  }
  return flags;
}

int32_t Attributes(TableReader& t) {
  if (!t.Has("attributes")) return -1;
  int32_t attributes = 0;
  for (const std::string& name : t.TextList("attributes")) {
    if (name == "read-only") attributes |= 0x1;
    else if (name == "hidden") attributes |= 0x2;
    else if (name == "system") attributes |= 0x4;
    else if (name == "archive") attributes |= 0x20;
    else t.Problem("attributes", "\"" + name + "\" is not \"read-only\", \"hidden\", \"system\" or \"archive\"");
  }
  return attributes;
}

// The fields that every file of this [[files]] table shares.
FileEntry EntryTemplate(TableReader& t) {
  FileEntry entry;
  t.ChoiceInto<uint32_t>("destination", entry.kind,
                         {{"install-folder", 0}, {"shared-folder", 1}, {"fonts", 4}, {"startup-program", 5},
                          {"system-shared", 6}, {"system-com-server", 7}, {"system-type-library", 8},
                          {"install-folder-versioned", 9}, {"driver", 10}, {"msi-package", 11},
                          {"control-panel-applet", 12}});
  CheckKindKeys(t, entry.kind);
  entry.flags = Flags(t);
  entry.attributes = Attributes(t);
  String text;
  for (const char* key : {"shortcut_name", "version", "font_title", "applet_name"}) t.Utf8(key, text);
  entry.extra_text = Utf8Of(text);
  text = String();
  t.Wide("shortcut_icon", text);
  entry.shortcut_icon = U16(text);
  text = String();
  t.Ansi("arguments", text);
  entry.arguments = Utf8Of(text);
  text = String();
  t.Wide("target", text);
  entry.destination = U16(text);
  text = String();
  for (const char* key : {"working_folder", "applet_class"}) t.Utf8(key, text);
  entry.component_text = Utf8Of(text);
  entry.ui_level = t.Choice<uint32_t>("installer_ui_level", {{"none", 2}, {"basic", 3}, {"reduced", 4}, {"full", 5}})
                       .value_or(entry.kind == kind::kMsiPackage ? 3 : 0);
  return entry;
}

// The installer refuses a package with a name that leaves its base folder; so does the builder,
// naming the key that made it: the folder when that alone is at fault, else the source.
void CheckName(TableReader& t, const std::string& folder, const std::string& name) {
  const EntryNameFault fault = CheckEntryName(name);
  if (fault == EntryNameFault::kNone) return;
  const bool folder_at_fault = !folder.empty() && CheckEntryName(folder) != EntryNameFault::kNone;
  t.Problem(folder_at_fault ? "folder" : "source",
            "\"" + name + "\" is not a name inside the installation's folder: " + EntryNameFaultText(fault));
}

// Tells the author about the symbolic links that a pattern met: followed or left out (a warning),
// or refused; a link to a folder above it is never followed.
void ReportLinks(TableReader& t, const std::string& pattern, const SourceMatches& matched, LinkPolicy policy) {
  const std::string prefix = "[" + t.Path() + "] source: \"" + pattern + "\" ";
  for (const std::string& link : matched.links) {
    const bool loop = std::find(matched.loops.begin(), matched.loops.end(), link) != matched.loops.end();
    if (policy == LinkPolicy::kRefuse) {
      t.Problem("source", "\"" + pattern + "\" meets the symbolic link " + link +
                              " ([build] symlinks = \"refuse\"; \"follow\" or \"skip\" accept it)");
    } else if (loop) {
      t.Context().Warning(prefix + "does not follow the symbolic link " + link + ", which leads to a folder above it");
    } else {
      t.Context().Warning(prefix + (policy == LinkPolicy::kFollow ? "follows" : "leaves out") + " the symbolic link " +
                          link + " (see [build] symlinks)");
    }
  }
}

void ReadFileTable(TableReader& t, Project& project) {
  const std::vector<std::string> sources = t.TextList("source");
  if (sources.empty()) t.Problem("source", "name the files, such as \"bin/*.exe\"");
  std::string folder = t.Text("folder").value_or("");
  std::replace(folder.begin(), folder.end(), '/', '\\');
  const FileEntry shared = EntryTemplate(t);
  const bool names_one_file = !shared.destination.empty() && shared.destination.back() != u'\\';
  for (const std::string& pattern : sources) {
    const SourceMatches matched =
        MatchSources(t.Context().BaseFolder(), pattern, project.links == LinkPolicy::kFollow);
    ReportLinks(t, pattern, matched, project.links);
    const std::vector<MatchedFile>& matches = matched.files;
    if (matches.empty()) t.Problem("source", "\"" + pattern + "\" matches no file");
    if (names_one_file && matches.size() > 1) {
      t.Problem("target", "names one file, but \"" + pattern + "\" matches several (end the target with \\\\)");
    }
    for (const MatchedFile& match : matches) {
      ProjectFile file{match.path, shared};
      file.entry.name = folder.empty() ? match.relative : folder + "\\" + match.relative;
      CheckName(t, folder, file.entry.name);
      file.entry.date = EntryDateOf(match.path);
      project.files.push_back(std::move(file));
    }
  }
  t.Finish();
}

// Where an entry lands, as Windows compares paths: the base folder of its kind (or its target)
// and its name, in one case.
std::u16string DestinationKey(const FileEntry& entry) {
  std::u16string where = entry.destination;
  const std::u16string name = U16(WideFromUtf8(entry.name));
  if (where.empty()) {
    const bool system = entry.kind >= kind::kVersionedFirst && entry.kind < kind::kVersionedLast;
    where = (entry.flags & entry_flag::kUninstallFolder) ? u"<uninstall>\\"
            : entry.kind == kind::kShared                ? u"<shared>\\"
            : entry.kind == kind::kFont                  ? u"<fonts>\\"
            : system                                     ? u"<system>\\"
                                                         : u"<install>\\";
    where += name;
  } else if (where.back() == u'\\') {
    where += name.substr(name.find_last_of(u'\\') + 1);
  }
  return FoldedCase(where);
}

// Two files may not land on one path: the second would silently replace the first.
void RefuseSharedDestinations(std::vector<TableReader>& tables, const std::vector<size_t>& table_of,
                              const Project& project) {
  std::map<std::u16string, size_t> first;
  for (size_t i = 0; i < project.files.size(); ++i) {
    const auto [earlier, fresh] = first.emplace(DestinationKey(project.files[i].entry), i);
    if (fresh) continue;
    TableReader& t = tables[table_of[i]];
    const auto source = [&](size_t at) { return project.files[at].source.lexically_relative(t.Context().BaseFolder()).string(); };
    t.Problem("source", "\"" + source(earlier->second) + "\" and \"" + source(i) + "\" both go to \"" +
                            project.files[i].entry.name + "\" (names differing only in case are one file on Windows)");
  }
}

}  // namespace

void ReadFiles(TableReader& root, Project& project) {
  std::vector<TableReader> tables = root.Tables("files");
  std::vector<size_t> table_of;
  for (size_t i = 0; i < tables.size(); ++i) {
    ReadFileTable(tables[i], project);
    table_of.resize(project.files.size(), i);
  }
  RefuseSharedDestinations(tables, table_of, project);
}

}  // namespace valdorine::builder
