#include "script_fit.hpp"

#include "format/install_script_layout.hpp"

namespace valdorine::builder {
namespace {

// Walks the layout and writes each text on its own, remembering the first that does not fit.
class FitCodec {
 public:
  template <typename T>
  void Number(const char*, T) {}
  void Text(const char* name, const String& text, TextForm form, TextEncoding) {
    ScriptWriter writer;
    writer.Text(form, text);
    if (!writer.Intact() && misfit_.empty()) misfit_ = name;
  }
  void Skip(size_t) {}
  void Picture(const char*, const String&, int32_t) {}
  template <typename Visit>
  void Group(const char*, Visit visit) {
    visit();
  }
  template <typename Item, typename Visit>
  int Counted(const char*, Array<Item>& list, int, int, Visit visit) {
    for (Item& item : list) visit(item);
    return 0;
  }
  template <typename Item, typename Visit>
  int Marked(const char*, Array<Item>& list, const MarkedFirst<Item>& first, const String&, int, int,
             Visit visit_rest) {
    for (Item& item : list) {
      Text(first.name, item.*first.member, first.form, first.encoding);
      visit_rest(item);
    }
    return 0;
  }
  int LanguageTable(valdorine::LanguageTable&) { return 0; }
  static int Check(bool, int) { return 0; }
  static int Hook(ScriptHook, InstallScript&) { return 0; }
  static int EndMarker() { return 0; }

  const std::string& Misfit() const { return misfit_; }

 private:
  std::string misfit_;
};

}  // namespace

std::string TextThatDoesNotFit(const InstallScript& script) {
  InstallScript copy = script;
  FitCodec codec;
  VisitInstallScript(codec, copy);
  return codec.Misfit();
}

}  // namespace valdorine::builder
