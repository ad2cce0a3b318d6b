#include "project_file.hpp"

#include <fstream>
#include <iterator>
#include <sstream>

#include "build_error.hpp"
#include "project_sections.hpp"
#include "script_fit.hpp"

namespace valdorine::builder {
namespace {

// What a project gets without saying otherwise: an interactive installer with a folder page, a
// start-menu page, a progress page, an install log, an uninstaller and a checked stub.
Project DefaultProject() {
  Project project;
  InstallScript& s = project.script;
  s.ProductFlags.word1 = option1::kProductRegistration | option1::kCompressedArchive | option1::kInstallLog |
                         option1::kChooseDirPage | option1::kSingleInstance |
                         option1::kUninstallerStartMenuShortcut;
  s.ProductFlags.word2 = option2::kStartMenuPage | option2::kCompareVersions | option2::kProgressPage |
                         option2::kPagesCarryIcon;
  project.package_flags = package_flag::kUninstallerImage;
  s.TitleSize = 1.0;
  s.TitleColor = 0xFFFFFF;
  s.TitleShadow = 3;
  s.TitlePosition = 1;
  s.TitleFont = String::FromNarrow("Arial");
  s.TopColor = 0x800000;
  s.BottomColor = 0x000000;
  s.UninstallSubdir = String::FromWide(u"uninstall");
  s.UninstallerName = String::FromWide(kDefaultUninstallerName);
  s.Display.IntegrityMode = kIntegrityStubChecksum;
  return project;
}

[[noreturn]] void ThrowProblems(const ProjectContext& context) {
  std::string text = "the project file has problems:";
  for (const std::string& problem : context.Problems()) text += "\n  " + problem;
  throw BuildError(text);
}

}  // namespace

Project ParseProject(std::string_view text, const std::filesystem::path& file, const Variables& variables) {
  const toml::table document = ParseToml(text, file);
  ProjectContext context(file, file.parent_path(), variables);
  TableReader root(&document, "", context);
  Project project = DefaultProject();
  ReadProductSettings(root, project);
  ReadPresentation(root, project);
  ReadLists(root, project);
  ReadFiles(root, project);
  ReadLanguages(root, project);
  root.Finish();
  if (context.HasProblems()) ThrowProblems(context);
  project.warnings = context.Warnings();
  ProjectScriptBytes(project);  // a script the installer would refuse is the builder's fault: fail now
  return project;
}

Project LoadProject(const std::filesystem::path& file, const Variables& variables) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw BuildError("cannot read the project file " + file.string());
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseProject(text, file, variables);
}

std::vector<uint8_t> ProjectScriptBytes(const Project& project) {
  std::vector<uint8_t> bytes;
  if (const int code = WriteScript(project.script, bytes)) {
    const std::string misfit = TextThatDoesNotFit(project.script);
    throw BuildError(misfit.empty() ? "the install script cannot be written (check " + std::to_string(code) + ")"
                                    : "the text for the installer's " + misfit + " is too long");
  }
  return bytes;
}

}  // namespace valdorine::builder
