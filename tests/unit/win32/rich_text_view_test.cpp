// The rich-text viewer with the system's rich-edit control: the formatting that a licence's RTF
// asks for, and Save as, whose file is read back with the system's calls.
#include <windows.h>
// windows.h first: the rich-edit header needs its types.
#include <gtest/gtest.h>
#include <richedit.h>

#include <string>

#include "scratch_folder.hpp"
#include "ui/rich_text_view.hpp"

namespace valdorine {
namespace {

using testing::ScratchFolder;

// A licence whose first words are bold; the clauses after them are not. Bold is switched off
// explicitly: Wine's rich-edit control lets the bold of a group such as "{\b Licence terms}" spill
// over the whole text, before and after the group, whatever program shows it.
constexpr char kLicence[] =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 \\b Licence terms\\b0\\par "
    "Clause 1: the product is used as it is.\\par Clause 2: no warranty.\\par }";

class Viewer : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    viewer_ = CreateTextViewer(parent_, 1005, RECT{0, 0, 400, 300}, 0);
    ASSERT_NE(viewer_, nullptr);
    ASSERT_TRUE(SetRichText(viewer_, String::FromNarrow(kLicence)));
  }
  void TearDown() override { DestroyWindow(parent_); }

  // Whether the characters from `first` to before `end` are all bold (or all not).
  bool Bold(LONG first, LONG end) {
    SendMessageW(viewer_, EM_SETSEL, first, end);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(viewer_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_TRUE(format.dwMask & CFM_BOLD) << "mixed weights in " << first << ".." << end;
    return (format.dwEffects & CFE_BOLD) != 0;
  }

  HWND parent_ = nullptr;
  HWND viewer_ = nullptr;
};

TEST_F(Viewer, ShowsTheWeightsTheTextAsksFor) {
  EXPECT_TRUE(Bold(0, 13));
  EXPECT_FALSE(Bold(14, 22));
  EXPECT_FALSE(Bold(14, 40));
}

TEST_F(Viewer, SaveAsWritesTheRichTextThatReadsBackTheSame) {
  ScratchFolder folder;
  const String path = folder.Join(u"licence.rtf");
  ASSERT_EQ(SaveRichText(viewer_, WinText(path)), 0u);
  const std::string bytes = testing::ReadBytes(path);
  EXPECT_EQ(bytes.rfind("{\\rtf", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("Clause 2: no warranty."), std::string::npos) << bytes;

  // The saved file shows the same text with the same weights when loaded again.
  ASSERT_TRUE(SetRichText(viewer_, String::FromNarrow(bytes.c_str())));
  EXPECT_TRUE(Bold(0, 13));
  EXPECT_FALSE(Bold(14, 40));
}

TEST_F(Viewer, SaveAsIntoAMissingFolderReportsTheSystemsError) {
  ScratchFolder folder;
  const String path = folder.Join(u"missing\\licence.rtf");
  EXPECT_EQ(SaveRichText(viewer_, WinText(path)), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
}  // namespace valdorine
