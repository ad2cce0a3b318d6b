#include "string_names.hpp"

namespace valdorine::builder {
namespace {

struct NamedString {
  int number;
  const char* name;
};

constexpr NamedString kNames[] = {
    {0, "backdrop_title"},
    {1, "greeting_text"},
    {2, "existing_caption"},
    {3, "existing_same_folder"},
    {4, "existing_same_version"},
    {5, "existing_older_version"},
    {6, "existing_newer_version"},
    {7, "install_over_question"},
    {8, "preparing"},
    {9, "must_uninstall_first"},
    {10, "uninstall_failures"},
    {11, "choose_folder"},
    {12, "required_product_missing"},
    {13, "damaged_installer"},
    {14, "folder_unusable"},
    {15, "uninstall_complete_caption"},
    {16, "drive_missing"},
    {17, "folder_is_drive_top"},
    {18, "folder_needs_subfolder"},
    {19, "low_disk_space"},
    {20, "question_caption"},
    {21, "error_caption"},
    {22, "folder_exists_question"},
    {23, "folder_create_question"},
    {24, "folder_header"},
    {25, "folder_create_failed"},
    {26, "finishing"},
    {27, "password_label"},
    {28, "cancel_question"},
    {29, "copying_files"},
    {30, "folder_name_characters"},
    {31, "failed"},
    {32, "registering"},
    {33, "uninstall_shortcut"},
    {34, "uninstall_complete"},
    {35, "remove_shared_caption"},
    {36, "installation_complete"},
    {37, "restart_question"},
    {38, "shortcut_default_name"},
    {39, "installing_wait"},
    {40, "problems_see_log"},
    {41, "problems_caption"},
    {42, "installed"},
    {43, "complete_caption"},
    {44, "licence_header"},
    {45, "accept_button"},
    {46, "decline_button"},
    {47, "licence_text"},
    {48, "next_button"},
    {49, "cancel_button"},
    {50, "readme_header"},
    {51, "readme_text"},
    {52, "browse_button"},
    {53, "uninstall_question"},
    {54, "installing_header"},
    {55, "uninstalling_header"},
    {56, "remove_font_question"},
    {57, "remove_font_caption"},
    {58, "could_not_remove"},
    {59, "remove_shared_question"},
    {61, "unsupported_system"},
    {62, "running_pre_commands"},
    {65, "welcome_header"},
    {66, "network_drive"},
    {67, "removing_associations"},
    {68, "removing_fonts"},
    {69, "removing_start_menu"},
    {70, "preparing_uninstall"},
    {71, "uninstalling_wait"},
    {72, "replacing_old_version"},
    {73, "folder_not_writable"},
    {74, "uninstall_restart_question"},
    {75, "password_header"},
    {76, "password_text"},
    {77, "installing_file"},
    {78, "writing_registry"},
    {79, "yes_button"},
    {80, "no_button"},
    {81, "needs_bitness"},
    {82, "language_text"},
    {83, "open_readme"},
    {84, "start_product"},
    {85, "show_log"},
    {86, "log_shortcut"},
    {87, "open_notes"},
    {88, "choose_start_menu"},
    {89, "start_menu_header"},
    {90, "install_button"},
    {91, "another_installer_running"},
    {92, "space_required"},
    {93, "space_available"},
    {94, "language_header"},
    {95, "finish_button"},
    {96, "drive_not_writable"},
    {97, "creating_restore_point"},
    {98, "cancelled"},
    {100, "retry_button"},
    {101, "uninstall_cancelled"},
    {102, "wrong_password"},
    {103, "welcome_band_header"},
    {104, "uninstall_button"},
    {105, "web_site_link"},
    {106, "newer_version_blocks"},
    {107, "close_program"},
    {108, "removing_packages"},
    {109, "support_offer_question"},
    {110, "support_button"},
    {111, "cancelled_caption"},
    {112, "required_version_missing"},
    {113, "starting"},
    {114, "window_title"},
};

}  // namespace

const char* StringName(int number) {
  for (const NamedString& named : kNames) {
    if (named.number == number) return named.name;
  }
  return nullptr;
}

std::optional<int> StringNumber(std::string_view name) {
  for (const NamedString& named : kNames) {
    if (name == named.name) return named.number;
  }
  return std::nullopt;
}

std::vector<std::string> StringNames() {
  std::vector<std::string> names;
  for (const NamedString& named : kNames) names.emplace_back(named.name);
  return names;
}

}  // namespace valdorine::builder
