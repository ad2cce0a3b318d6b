#include "format/install_script.hpp"

#include <utility>

#include "format/install_script_layout.hpp"

namespace valdorine {
namespace {

// Visits every item in order; stops at the first code.
template <typename Item, typename Visit>
int VisitEach(Array<Item>& list, Visit visit) {
  for (Item& item : list) {
    if (int stop = visit(item)) return stop;
  }
  return 0;
}

// The language table's counts, checked alike when read and when written.
int CheckLanguageCounts(int languages, int32_t strings) {
  if (languages < 1 || languages > script_limit::kMaxLanguages) return script_error::kLanguageCount;
  if (strings < 1 || strings > script_limit::kMaxStrings) return script_error::kStringCount;
  return 0;
}

// Reads the fields from the stream into the record, applying the checks and the reader's steps.
class ReadCodec {
 public:
  ReadCodec(std::span<const uint8_t> bytes, const ScriptReadEnvironment& environment)
      : in_(bytes), environment_(environment) {}

  void Number(const char*, uint8_t& value) { value = in_.U8(); }
  void Number(const char*, uint16_t& value) { value = in_.U16(); }
  void Number(const char*, uint32_t& value) { value = in_.U32(); }
  void Number(const char*, int32_t& value) { value = in_.I32(); }
  void Number(const char*, uint64_t& value) { value = in_.U64(); }
  void Number(const char*, double& value) { value = in_.F64(); }
  void Text(const char*, String& text, TextForm form, TextEncoding) { text = in_.Text(form); }
  void Skip(size_t count) { in_.Skip(count); }

  void Picture(const char*, String& bytes, int32_t& trailing) {
    const int32_t size = in_.I32();
    if (size <= 0) return;
    bytes = in_.Bytes(static_cast<uint32_t>(size));
    trailing = in_.I32();
  }

  template <typename Visit>
  void Group(const char*, Visit visit) {
    visit();
  }

  template <typename Item, typename Visit>
  int Counted(const char*, Array<Item>& list, int limit, int code, Visit visit) {
    const int32_t count = in_.I32();
    if (int stop = Check(count >= 0 && count <= limit, code)) return stop;
    list.Clear();
    list.Resize(count);
    return VisitEach(list, visit);
  }

  template <typename Item, typename Visit>
  int Marked(const char*, Array<Item>& list, const MarkedFirst<Item>& first, const String& marker, int limit, int code,
             Visit visit_rest) {
    list.Clear();
    for (;;) {
      Item item;
      item.*first.member = in_.Text(first.form);
      if (in_.Broken()) return script_error::kEndMarker;
      if (item.*first.member == marker) return 0;
      if (list.Count() >= limit) return code;
      if (int stop = visit_rest(item)) return stop;
      list.Append(std::move(item));
    }
  }

  int LanguageTable(valdorine::LanguageTable& table) {
    const int languages = in_.U8();
    const int32_t strings = in_.I32();
    if (in_.Broken()) return script_error::kEndMarker;
    if (int stop = CheckLanguageCounts(languages, strings)) return stop;
    table.names.Clear();
    for (int i = 0; i < languages; ++i) table.names.Append(in_.Text(TextForm::kZeroWide));
    table.string_count = strings;
    table.texts.Clear();
    table.texts.Reserve(strings * languages);
    for (int i = 0; i < strings * languages && !in_.Broken(); ++i) {
      table.texts.Append(WithCrLf(in_.Text(TextForm::kZeroWide)));
    }
    return in_.Broken() ? script_error::kEndMarker : 0;
  }

  int Check(bool ok, int code) const {
    if (in_.Broken()) return script_error::kEndMarker;
    return ok ? 0 : code;
  }

  int EndMarker() { return Check(in_.U32() == kScriptEndMarker, script_error::kEndMarker); }

  int Hook(ScriptHook hook, InstallScript& script) {
    switch (hook) {
      case ScriptHook::kOptionWordsRead:
        if (environment_.silent_mode) ApplySilentMode(script.ProductFlags.word1, script.ProductFlags.word2);
        return 0;
      case ScriptHook::kProductNameRead:
        if (!environment_.product_name_override.IsEmpty()) script.ProductName = environment_.product_name_override;
        return 0;
      case ScriptHook::kAppearanceRead:
        return environment_.after_appearance ? environment_.after_appearance(script) : 0;
      case ScriptHook::kInstallDirRead:
        if (environment_.resolve_install_dir) environment_.resolve_install_dir(script);
        return 0;
      case ScriptHook::kApplyDefaults:
        ApplyDefaults(script);
        return 0;
    }
    return 0;
  }

 private:
  static void Default(String& text, const String& fallback) {
    if (text.IsEmpty()) text = fallback;
  }

  static void ApplyDefaults(InstallScript& s) {
    Default(s.ProductDescription, s.ProductName);
    Default(s.SharedPath, s.Publisher);
    Default(s.SharedPath, s.ProductName);
    Default(s.ProductStartMenu, s.ProductName);
    Default(s.UninstallKey, s.ProductName);
    if (s.ProductFlags.word1 & option1::kRequiredProduct) {
      Default(s.MasterKey, s.ProductName);
      Default(s.MasterName, s.ProductName);
    }
    Default(s.TaskbarPinName, s.ProductName);
  }

  ScriptReader in_;
  const ScriptReadEnvironment& environment_;
};

// Writes the record's fields; a value that the reader would refuse stops with the reader's code.
class WriteCodec {
 public:
  void Number(const char*, uint8_t value) { out_.U8(value); }
  void Number(const char*, uint16_t value) { out_.U16(value); }
  void Number(const char*, uint32_t value) { out_.U32(value); }
  void Number(const char*, int32_t value) { out_.I32(value); }
  void Number(const char*, uint64_t value) { out_.U64(value); }
  void Number(const char*, double value) { out_.F64(value); }
  void Text(const char*, const String& text, TextForm form, TextEncoding) { out_.Text(form, text); }
  void Skip(size_t count) { out_.Zeros(count); }

  void Picture(const char*, const String& bytes, int32_t trailing) {
    out_.I32(bytes.Length());
    if (bytes.IsEmpty()) return;
    out_.Bytes(bytes);
    out_.I32(trailing);
  }

  template <typename Visit>
  void Group(const char*, Visit visit) {
    visit();
  }

  template <typename Item, typename Visit>
  int Counted(const char*, Array<Item>& list, int limit, int code, Visit visit) {
    if (int stop = Check(list.Count() <= limit, code)) return stop;
    out_.I32(list.Count());
    return VisitEach(list, visit);
  }

  template <typename Item, typename Visit>
  int Marked(const char*, Array<Item>& list, const MarkedFirst<Item>& first, const String& marker, int limit, int code,
             Visit visit_rest) {
    if (int stop = Check(list.Count() <= limit, code)) return stop;
    for (Item& item : list) {
      // An entry that reads as the end marker would end the list early.
      if (item.*first.member == marker) return script_error::kEndMarker;
      out_.Text(first.form, item.*first.member);
      if (int stop = visit_rest(item)) return stop;
    }
    out_.Text(first.form, marker);
    return 0;
  }

  int LanguageTable(valdorine::LanguageTable& table) {
    const int languages = table.names.Count();
    if (int stop = CheckLanguageCounts(languages, table.string_count)) return stop;
    if (table.texts.Count() != table.string_count * languages) return script_error::kEndMarker;
    out_.U8(static_cast<uint8_t>(languages));
    out_.I32(table.string_count);
    for (const String& name : table.names) out_.Text(TextForm::kZeroWide, name);
    for (const String& text : table.texts) out_.Text(TextForm::kZeroWide, text);
    return 0;
  }

  static int Check(bool ok, int code) { return ok ? 0 : code; }

  int EndMarker() {
    out_.U32(kScriptEndMarker);
    return out_.Intact() ? 0 : script_error::kEndMarker;
  }

  static int Hook(ScriptHook, InstallScript&) { return 0; }

  std::vector<uint8_t> Take() { return out_.Take(); }

 private:
  ScriptWriter out_;
};

bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

}  // namespace

int ReadScript(std::span<const uint8_t> bytes, InstallScript& script, const ScriptReadEnvironment& environment) {
  script = InstallScript();
  ReadCodec codec(bytes, environment);
  return VisitInstallScript(codec, script);
}

int WriteScript(const InstallScript& script, std::vector<uint8_t>& bytes) {
  // The layout takes a mutable record for the reader's sake; the writer only reads from the copy.
  InstallScript copy = script;
  WriteCodec codec;
  const int code = VisitInstallScript(codec, copy);
  bytes = code == 0 ? codec.Take() : std::vector<uint8_t>();
  return code;
}

String WithCrLf(const String& wide) {
  const int length = wide.WideLength();
  int breaks = 0;
  for (int i = 0; i < length; ++i) breaks += IsLineBreak(wide.WideAt(i)) ? 1 : 0;
  if (breaks == 0) return wide;
  String text;
  for (int i = 0; i < length; ++i) {
    const char16_t c = wide.WideAt(i);
    if (!IsLineBreak(c)) {
      text.AppendWideChar(c);
      continue;
    }
    text.AppendWide(u"\r\n");
    // CR LF is one break; a lone CR or a lone LF becomes CR LF too.
    if (c == u'\r' && wide.WideAt(i + 1) == u'\n') ++i;
  }
  return text;
}

}  // namespace valdorine
