// The project's lists: [[shortcuts]], [registry] with [[registry.entries]], [[associations]],
// [[firewall]], [[conditional_delete]], [[autoclose]] and [[uninstall_values]].
#include <algorithm>
#include <string>

#include "project_sections.hpp"

namespace valdorine::builder {
namespace {

// A field of a comma-separated line, quoted where the line format needs it.
std::string CsvField(const std::string& field) {
  const bool special = field.find_first_of(",\"\t\r\n;|") != std::string::npos;
  const bool edge = !field.empty() && (field.front() == ' ' || field.front() == '\'' || field.front() == '#' ||
                                       field.back() == ' ');
  if (!special && !edge) return field;
  std::string quoted = "\"";
  for (char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

void LimitCount(TableReader& root, std::string_view key, size_t count, int limit) {
  if (count > static_cast<size_t>(limit)) root.Problem(key, "at most " + std::to_string(limit) + " entries");
}

void ReadShortcut(TableReader t, ScriptShortcut& k) {
  if (!t.Has("target")) t.Problem("target", "a shortcut needs a target");
  t.Utf8("target", k.target);
  t.Utf8("name", k.name);
  t.Utf8("icon", k.icon);
  t.Utf8("arguments", k.arguments);
  t.Utf8("working_folder", k.working_folder);
  if (auto on = t.Bool("desktop")) k.desktop = *on;
  if (auto on = t.Bool("start_menu")) k.start_menu = *on;
  if (auto on = t.Bool("startup")) k.startup = *on;
  t.Ansi("folder", k.extra_folder);
  t.ChoiceInto<uint8_t>("show", k.show_command, {{"normal", 0}, {"minimised", 1}, {"maximised", 2}});
  if (auto on = t.Bool("permanent")) k.permanent = *on;
  t.Finish();
}

// One registry line: a key alone, or key, value name, type, data and action.
std::optional<std::string> RegistryLine(TableReader& t) {
  std::optional<std::string> key = t.Text("key");
  if (!key || key->empty()) {
    t.Problem("key", "a registry entry needs a key, such as \"HKLM\\\\Software\\\\Vendor\"");
    return std::nullopt;
  }
  if (key->front() != '\\') key->insert(0, "\\");
  const std::string root = key->substr(1, key->find('\\', 1) - 1);
  const char* roots[] = {"HKLM", "HKCU", "HKCR", "HKU", "HKCC", "HKDD", "HKAU"};
  if (std::find(std::begin(roots), std::end(roots), root) == std::end(roots)) {
    t.Problem("key", "must begin with HKLM, HKCU, HKCR, HKU, HKCC, HKDD or HKAU (all user profiles)");
  }
  const std::optional<std::string> value = t.Text("value");
  const auto type = t.Choice<int>("type", {{"string", 1}, {"expand-string", 2}, {"binary", 3}, {"dword", 4},
                                           {"qword", 11}});
  const std::optional<std::string> data = t.Text("data");
  const auto action = t.Choice<int>("action", {{"write", 1}, {"write-if-absent", 6}, {"delete", 4}, {"none", 0}});
  const std::optional<bool> remove = t.Bool("remove_at_uninstall");
  if (!value) {
    if (type || data || action || remove) t.Problem("value", "type, data and action need a value name");
    return CsvField(*key);
  }
  // At uninstallation the kinds 2, 3 and 5 are removed: write 1 -> 3, delete 4 -> 5, none 0 -> 2.
  int code = action.value_or(1);
  if (remove.value_or(code != 6)) {
    if (code == 6) t.Problem("remove_at_uninstall", "\"write-if-absent\" values are never removed");
    code = code == 0 ? 2 : code == 1 ? 3 : code == 4 ? 5 : code;
  }
  return CsvField(*key) + "," + CsvField(*value) + "," + std::to_string(type.value_or(1)) + "," +
         CsvField(data.value_or("")) + "," + std::to_string(code);
}

void ReadRegistry(TableReader t, Project& project) {
  InstallScript& s = project.script;
  t.FileBytes("merge_file", s.RegistryMerge);
  std::string lines;
  for (TableReader& entry : t.Tables("entries")) {
    if (auto line = RegistryLine(entry)) lines += *line + "\r\n";
    entry.Finish();
  }
  s.RegistryText = WideFromUtf8(lines);
  t.Finish();
}

void ReadAssociation(TableReader t, FileAssociation& a) {
  if (!t.Has("extension")) t.Problem("extension", "an association needs an extension");
  t.ChoiceInto<uint32_t>("mode", a.mode, {{"normal", 0}, {"default-verb", 1}, {"open-with-only", 2}});
  t.Ansi("extension", a.extension);
  t.Ansi("class", a.class_name);
  t.Ansi("description", a.description);
  std::string verbs;
  for (const std::string& verb : t.TextList("verbs")) verbs += (verbs.empty() ? "" : ",") + verb;
  if (auto ansi = t.AnsiFrom("verbs", verbs.empty() ? "open" : verbs)) a.verbs = *ansi;
  t.Ansi("verb_label", a.verb_label);
  t.Utf8("command", a.command);
  t.Wide("language", a.language);
  t.Utf8("icon", a.icon);
  t.Finish();
}

// One firewall line: "port or program;name;protocols;options".
std::string FirewallLine(TableReader t) {
  const std::optional<int64_t> port = t.Integer("port", 1, 65535);
  const std::optional<std::string> program = t.Text("program");
  if (port.has_value() == program.has_value()) t.Problem("port", "give either a port or a program");
  const std::string name = t.Text("name").value_or("");
  int protocols = 0;
  for (const std::string& protocol : t.TextList("protocols")) {
    if (protocol == "tcp") protocols |= 1;
    else if (protocol == "udp") protocols |= 2;
    else t.Problem("protocols", "\"" + protocol + "\" is not \"tcp\" or \"udp\"");
  }
  const bool keep = t.Bool("keep_at_uninstall").value_or(false);
  const std::string target = port ? std::to_string(*port) : program.value_or("");
  if ((target + name).find_first_of(";\r\n") != std::string::npos) {
    t.Problem("name", "the program and the name may not hold \";\" or line breaks");
  }
  t.Finish();
  return target + ";" + name + ";" + std::to_string(port && protocols == 0 ? 1 : protocols) + ";" +
         (keep ? "1" : "0");
}

void ReadConditionalDelete(TableReader t, FileDeletion& d) {
  if (!t.Has("pattern")) t.Problem("pattern", "a conditional deletion needs a file pattern");
  t.Ansi("pattern", d.pattern);
  if (d.pattern == String::FromNarrow("~~THE END~~")) {
    t.Problem("pattern", "this pattern ends the list in the installer");
  }
  t.ChoiceInto<uint8_t>("condition", d.condition_kind,
                        {{"always", 0}, {"version-equals", 1}, {"version-at-least", 2}, {"version-at-most", 3},
                         {"size-equals", 4}, {"size-at-least", 5}, {"size-at-most", 6}});
  t.Ansi("value", d.condition_value);
  for (const std::string& when : t.TextList("when")) {
    if (when == "install") d.flags |= deletion_flag::kWhenInstalling;
    else if (when == "uninstall") d.flags |= deletion_flag::kWhenUninstalling;
    else t.Problem("when", "\"" + when + "\" is not \"install\" or \"uninstall\"");
  }
  if (auto restart = t.Choice<uint8_t>("at_restart", {{"never", 0},
                                                      {"always", deletion_flag::kOnlyAtRestart},
                                                      {"when-in-use", deletion_flag::kAtRestartOnFailure}})) {
    d.flags |= *restart;
  }
  t.Finish();
}

void ReadAutoClose(TableReader t, AutoCloseEntry& a) {
  t.Wide("window_class", a.window_class);
  t.Ansi("window_title", a.window_title);
  t.Ansi("program", a.program_name);
  t.ChoiceInto<uint8_t>("action", a.action, {{"close", 0}, {"quit", 1}, {"ask", 2}, {"terminate", 3}});
  if (t.Bool("keep_for_uninstall").value_or(false)) a.flags |= kAutoCloseForUninstaller;
  if (a.window_class == String::FromWide(u"~~THE~END~~")) {
    t.Problem("window_class", "this class ends the list in the installer");
  }
  if (a.window_class.IsEmpty() && a.window_title.IsEmpty()) {
    t.Problem("window_class", "give a window class or a window title pattern");
  }
  t.Finish();
}

void ReadUninstallValue(TableReader t, UninstallKeyValue& v) {
  if (!t.Has("name")) t.Problem("name", "an uninstall-key value needs a name");
  t.Ansi("name", v.name);
  t.ChoiceInto<uint8_t>("type", v.type, {{"string", 1}, {"expand-string", 2}, {"dword", 4}});
  t.Utf8("value", v.value);
  t.Finish();
}

// Reads each table of `key` into a new item of `list`.
template <typename Item, typename Read>
void ReadEach(TableReader& root, std::string_view key, Array<Item>& list, int limit, Read read) {
  std::vector<TableReader> tables = root.Tables(key);
  LimitCount(root, key, tables.size(), limit);
  for (TableReader& table : tables) read(std::move(table), list.Append(Item()));
}

}  // namespace

void ReadLists(TableReader& root, Project& project) {
  InstallScript& s = project.script;
  ReadEach(root, "shortcuts", s.Shortcuts, script_limit::kMaxShortcuts, ReadShortcut);
  ReadRegistry(root.Table("registry"), project);
  ReadEach(root, "associations", s.Associations, script_limit::kMaxAssociations, ReadAssociation);
  ReadEach(root, "conditional_delete", s.ConditionalDeletes, script_limit::kMaxConditionalDeletes,
           ReadConditionalDelete);
  ReadEach(root, "autoclose", s.AutoClose, script_limit::kMaxAutoClose, ReadAutoClose);
  ReadEach(root, "uninstall_values", s.UninstallKeyValues, script_limit::kMaxUninstallValues, ReadUninstallValue);
  std::string firewall;
  for (TableReader& rule : root.Tables("firewall")) firewall += FirewallLine(std::move(rule)) + "\r\n";
  s.FirewallList = String::FromBytes(firewall.data(), static_cast<int>(firewall.size()));
}

}  // namespace valdorine::builder
