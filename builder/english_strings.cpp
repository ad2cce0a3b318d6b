#include "english_strings.hpp"

namespace valdorine::builder {
namespace {

// Where each text appears, and the arguments of those used as formats, are noted beside it.
constexpr BuiltInString kEnglish[] = {
    {0, "<product>", ""},  // the backdrop's title when the script has none
    {1, "This program installs <product> on your computer.\r\n\r\n"
        "Close all other programs before you continue.", ""},  // greeting text
    {2, "<product> is already installed", ""},  // caption of the existing-installation question
    {3, "<product> is already installed in this folder:", ""},
    {4, "This version of <product> is already installed in this folder:", ""},
    {5, "An older version of <product> is installed in this folder:", ""},
    {6, "A newer version of <product> is installed in this folder:", ""},
    {7, "Do you want to install over it?", ""},
    {8, "Preparing the installation...", ""},
    {9, "The installed version of <product> must be uninstalled before this version can be installed.", ""},
    {10, "The uninstallation is finished, but some items could not be removed:\r\n\r\n%s", "%s"},  // failures
    {11, "Choose the folder in which to install <product>.", ""},
    {12, "<product> needs %s, which is not installed on this computer.", "%s"},  // required product
    {13, "This installer is damaged and cannot continue. An incomplete download is the usual cause; "
         "a virus on the computer is another.\r\n\r\n"
         "Delete this installer and download it again. If the problem stays, check the computer for "
         "viruses.\r\n\r\nError code: %d", "%d"},
    {14, "\"%s\" cannot be used as the installation folder. Please choose another folder.", "%s"},  // path
    {15, "Uninstallation complete", ""},
    {16, "Drive %s does not exist. Please choose another folder.", "%s"},  // drive letter
    {17, "Please choose a folder, not the top of a drive.", ""},
    {18, "\"%s\" cannot be the installation folder itself. Please choose a folder inside it.", "%s"},
    {19, "<product> needs %s of disk space, but drive %s has only %s free.\r\n\r\nInstall anyway?",
     "%s%s%s"},  // required size, drive letter, free space
    {20, "<product> Setup", ""},  // caption of questions
    {21, "Error", ""},            // caption of error messages
    {22, "The folder \"%s\" already exists.\r\n\r\nInstall into it anyway?", "%s"},
    {23, "The folder \"%s\" will be created.\r\n\r\nContinue?", "%s"},
    {24, "Installation folder", ""},
    {25, "The folder could not be created:", ""},
    {26, "Finishing the installation...", ""},
    {27, "Password:", ""},
    {28, "Do you really want to cancel the installation?", ""},
    {29, "Copying files...", ""},
    {30, "The folder name may contain only English letters, digits and common punctuation. "
         "Please choose another folder.", ""},
    {31, "Failed:", ""},  // first line of each failure in the summary
    {32, "Registering <product>...", ""},
    {33, "Uninstall <product>", ""},  // name of the uninstaller's shortcuts
    {34, "<product> has been removed from this computer.", ""},
    {35, "Remove shared file?", ""},
    {36, "Installation complete.", ""},
    {37, "Windows must be restarted to finish installing <product>.\r\n\r\nRestart now?", ""},
    {38, "%s", "%s"},  // a shortcut without a name: the target's file name
    {39, "Please wait while <product> is being installed.", ""},
    {40, "Some parts of <product> could not be installed. The details are in the log file\r\n%s\r\n\r\n"
         "Do you want to see it now?", "%s"},  // log path
    {41, "Installation problems", ""},
    {42, "<product> has been installed.", ""},
    {43, "Installation complete", ""},
    {44, "Licence agreement", ""},
    {45, "I &accept", ""},
    {46, "I &decline", ""},
    {47, "Please read the following licence agreement. You must accept it to install <product>.", ""},
    {48, "&Next >", ""},
    {49, "Cancel", ""},
    {50, "Information", ""},
    {51, "Please read the following information before you continue.", ""},
    {52, "B&rowse...", ""},
    {53, "Do you want to remove <product> and all of its parts from this computer?", ""},
    {54, "Installing <product>", ""},  // progress header, and the status when file names are hidden
    {55, "Uninstalling <product>", ""},
    {56, "Remove the font %s?", "%s"},                                               // font name
    {57, "Remove font?", ""},
    {58, "Could not remove:", ""},
    {59, "No other program seems to use the shared file\r\n%s\r\n\r\nRemove it?", "%s"},  // path
    {61, "<product> cannot be installed on %s.", "%s"},  // the system's name
    {62, "Running the pre-installation commands...", ""},
    {65, "Welcome to the <product> setup", ""},  // greeting header; subtitle of the pages
    {66, "<product> cannot be installed on a network drive. Please choose a local folder.", ""},
    {67, "Removing file associations...", ""},
    {68, "Removing fonts...", ""},
    {69, "Removing start-menu entries...", ""},
    {70, "Preparing the uninstallation...", ""},
    {71, "Please wait while <product> is being removed.", ""},
    {72, "An old version of <product> is installed. It is replaced by this one.", ""},
    {73, "The folder \"%s\" cannot be written to. Please choose another folder.", "%s"},  // path
    {74, "Windows must be restarted to finish removing <product>.\r\n\r\nRestart now?", ""},
    {75, "Password", ""},
    {76, "This installation is protected by a password. Please enter it.", ""},
    {77, "Installing <file>...", ""},
    {78, "Writing registry entries...", ""},
    {79, "&Yes", ""},
    {80, "&No", ""},
    {81, "This product needs a %d-bit edition of Windows.", "%d"},  // 64 or 32
    {82, "Please choose the language of the installation.", ""},
    {83, "Open the readme file", ""},
    {84, "Start <product> now", ""},
    {85, "Show the installation log", ""},
    {86, "Installation log", ""},  // name of the log's start-menu shortcut
    {87, "Open the notes", ""},
    {88, "Choose the start-menu folder for the shortcuts of <product>.", ""},
    {89, "Start-menu folder", ""},
    {90, "&Install", ""},
    {91, "Another installation is running. Please wait until it has finished and try again.", ""},
    {92, "Space required:", ""},
    {93, "Space available:", ""},
    {94, "Language", ""},
    {95, "&Finish", ""},
    {96, "Drive %s cannot be written to. Please choose another folder.", "%s"},  // drive letter
    {97, "Creating a system restore point...", ""},
    {98, "The installation was cancelled.", ""},
    {100, "&Retry", ""},
    {101, "The uninstallation was cancelled.", ""},
    {102, "The password is not correct.", ""},
    {103, "Welcome", ""},  // greeting header in the header-band style
    {104, "&Uninstall", ""},
    {105, "More about <product>: <a>visit the web site</a>", ""},  // "<a>" opens the greeting's link
    {106, "A newer version of <product> is installed, and versions below %s cannot replace it.", "%s"},
    {107, "Please close %s before you continue.", "%s"},  // program name
    {108, "Removing installed packages...", ""},
    {109, "Before you uninstall <product>: the publisher offers help with problems. Do you want to get "
          "support instead?", ""},
    {110, "Get Support", ""},
    {111, "Cancelled", ""},
    {112, "<product> needs version %s of %s or later.", "%s%s"},  // minimum version, product name
    {113, "Starting the installation...", ""},
};

}  // namespace

std::span<const BuiltInString> EnglishStrings() { return kEnglish; }

}  // namespace valdorine::builder
