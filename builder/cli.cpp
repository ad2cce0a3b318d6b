#include "cli.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <thread>

#include "format/package_layout.hpp"
#include "nearest_name.hpp"

namespace valdorine::builder {

const char kUsage[] =
    "usage:\n"
    "  valdorine-build build PROJECT.toml [-o OUT] [--stub STUB] [-D NAME=VALUE]... [options]\n"
    "  valdorine-build build -o OUT [--stub STUB] [options] FILE[=NAME]...\n"
    "  valdorine-build inspect SETUP [--entries] [--json] [--uninstaller-image OUT]\n"
    "  valdorine-build --help | --version\n"
    "options of build (--name VALUE and --name=VALUE are the same):\n"
    "  -o, --out FILE         the setup executable to write\n"
    "      --stub FILE        the installer stub (default: ValdorineSetup.exe installed beside the\n"
    "                         builder, or the build tree's)\n"
    "  -D, --define N=V       a variable for ${N} in the project file's texts\n"
    "      --block-size BYTES uncompressed bytes per archive block (default 8388608)\n"
    "      --threads N        compression threads (default: every core)\n"
    "  -q, --quiet            print nothing but errors\n"
    "  -v, --verbose          one line per packed file\n"
    "      --werror           treat the project's warnings as errors\n"
    "options without a project file (a project file sets these itself):\n"
    "      --encrypt KEY        encrypt script and archive with Blowfish; KEY is 16 hex digits\n"
    "      --archive-in-file    store the archive after the section instead of inside it\n"
    "      --preset N           xz preset 0..9 (default 5)\n"
    "      --integrity N        integrity mode: 0 none, 1 stub checksum, 2 signature\n"
    "      --package-flags N    package flag bits (0x20: keep an uninstaller image)\n"
    "      --script-flags W1,W2 install script option words\n"
    "      --product NAME       product name\n"
    "inspect prints the package's location, its header, the install script's settings and, with\n"
    "--entries, every file entry; as name=value lines, or as JSON\n";

namespace {

// Options that take a value, and those that set the package's contents, which a project file
// decides instead.
const std::vector<std::string> kValueOptions = {"--stub",      "--out",       "--define",        "--block-size",
                                                "--threads",   "--encrypt",   "--preset",        "--integrity",
                                                "--package-flags", "--script-flags", "--product"};
const std::vector<std::string> kFlagOptions = {"--archive-in-file", "--quiet", "--verbose", "--werror"};
const std::vector<std::string> kProjectDecides = {"--encrypt",       "--archive-in-file", "--preset",
                                                  "--integrity",     "--package-flags",   "--script-flags",
                                                  "--product"};

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

template <typename Number>
bool ParseNumber(const std::string& text, Number& value) {
  const bool hex = text.starts_with("0x") || text.starts_with("0X");
  const char* begin = text.data() + (hex ? 2 : 0);
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(begin, end, value, hex ? 16 : 10);
  return error == std::errc() && stop == end && begin != end;
}

bool ParseKey(const std::string& text, std::array<uint8_t, kCipherKeyLength>& key) {
  if (text.size() != 2 * kCipherKeyLength) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    const std::string pair = "0x" + text.substr(2 * i, 2);
    if (!ParseNumber(pair, key[i])) return false;
  }
  return true;
}

std::u16string Utf16FromAscii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

InputFile ParseInputFile(const std::string& argument) {
  const size_t equals = argument.find('=');
  if (equals == std::string::npos) return {argument, "", std::nullopt};
  return {argument.substr(0, equals), argument.substr(equals + 1), std::nullopt};
}

// An option as written, split into its long name and an attached value ("--name=value",
// "-Dname=value"); short names become long ones.
struct Option {
  std::string name;
  std::optional<std::string> value;
};

Option SplitOption(const std::string& argument) {
  static const std::pair<const char*, const char*> kShort[] = {
      {"-o", "--out"}, {"-D", "--define"}, {"-q", "--quiet"}, {"-v", "--verbose"}};
  for (const auto& [short_name, long_name] : kShort) {
    if (argument == short_name) return {long_name, std::nullopt};
    if (std::string(short_name) == "-D" && argument.starts_with("-D")) return {long_name, argument.substr(2)};
  }
  const size_t equals = argument.find('=');
  if (argument.starts_with("--") && equals != std::string::npos) {
    return {argument.substr(0, equals), argument.substr(equals + 1)};
  }
  return {argument, std::nullopt};
}

std::string UnknownOption(const std::string& name) {
  std::vector<std::string> known = kValueOptions;
  known.insert(known.end(), kFlagOptions.begin(), kFlagOptions.end());
  const std::string nearest = NearestName(name, known);
  return "unknown option " + name + (nearest.empty() ? " (see --help)" : " (did you mean " + nearest + "?)");
}

// Applies one option that takes a value; returns an error text, empty on success.
std::string ApplyOption(const std::string& name, const std::string& value, BuildCommand& command) {
  BuildOptions& options = command.options;
  if (name == "--stub") {
    options.stub = value;
  } else if (name == "--out") {
    options.output = value;
  } else if (name == "--define") {
    return DefineVariable(value, command.variables);
  } else if (name == "--encrypt") {
    std::array<uint8_t, kCipherKeyLength> key{};
    if (!ParseKey(value, key)) return "--encrypt takes 16 hexadecimal digits";
    options.cipher_key = key;
  } else if (name == "--preset") {
    if (!ParseNumber(value, options.preset) || options.preset > 9) return "--preset takes 0..9";
  } else if (name == "--block-size") {
    if (!ParseNumber(value, options.block_size) || options.block_size < 4096 || options.block_size > (256u << 20)) {
      return "--block-size takes 4096..268435456";
    }
  } else if (name == "--threads") {
    if (!ParseNumber(value, options.threads) || options.threads < 1 || options.threads > 256) return "--threads takes 1..256";
  } else if (name == "--integrity") {
    if (!ParseNumber(value, command.script.integrity_mode)) return "--integrity takes a number";
  } else if (name == "--package-flags") {
    if (!ParseNumber(value, options.package_flags)) return "--package-flags takes a number";
  } else if (name == "--script-flags") {
    const size_t comma = value.find(',');
    if (comma == std::string::npos || !ParseNumber(value.substr(0, comma), command.script.flag_word1) ||
        !ParseNumber(value.substr(comma + 1), command.script.flag_word2)) {
      return "--script-flags takes two numbers separated by a comma";
    }
  } else if (name == "--product") {
    command.script.product_name = Utf16FromAscii(value);
  }
  return "";
}

void ApplyFlag(const std::string& name, BuildCommand& command) {
  if (name == "--archive-in-file") command.options.archive_in_file = command.script.archive_in_file = true;
  if (name == "--quiet") command.verbosity = Verbosity::kQuiet;
  if (name == "--verbose") command.verbosity = Verbosity::kVerbose;
  if (name == "--werror") command.werror = true;
}

Command ParseBuild(const std::vector<std::string>& arguments) {
  BuildCommand command;
  command.options.threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::string> given;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.ends_with(".toml") && command.project.empty() && command.options.files.empty()) {
      command.project = argument;
      continue;
    }
    if (!argument.starts_with("-")) {
      command.options.files.push_back(ParseInputFile(argument));
      continue;
    }
    Option option = SplitOption(argument);
    given.push_back(option.name);
    if (Contains(kFlagOptions, option.name) && !option.value) {
      ApplyFlag(option.name, command);
      continue;
    }
    if (!Contains(kValueOptions, option.name)) {
      return UsageError{Contains(kFlagOptions, option.name) ? option.name + " takes no value" : UnknownOption(option.name)};
    }
    if (!option.value) {
      if (i + 1 >= arguments.size()) return UsageError{option.name + " needs a value"};
      option.value = arguments[++i];
    }
    const std::string error = ApplyOption(option.name, *option.value, command);
    if (!error.empty()) return UsageError{error};
  }
  if (command.options.output.empty()) return UsageError{"build needs the output file: -o OUT"};
  if (!command.project.empty() && !command.options.files.empty()) {
    return UsageError{"a project file names the files itself"};
  }
  for (const std::string& name : given) {
    if (!command.project.empty() && Contains(kProjectDecides, name)) {
      return UsageError{name + " cannot be combined with a project file, which sets it itself"};
    }
    if (command.project.empty() && name == "--define") {
      return UsageError{"-D defines variables of a project file; there is none"};
    }
  }
  return command;
}

Command ParseInspect(const std::vector<std::string>& arguments) {
  InspectCommand command;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const Option option = SplitOption(arguments[i]);
    if (option.name == "--entries" && !option.value) {
      command.entries = true;
    } else if (option.name == "--json" && !option.value) {
      command.json = true;
    } else if (option.name == "--uninstaller-image" && (option.value || i + 1 < arguments.size())) {
      command.uninstaller_image = option.value ? *option.value : arguments[++i];
    } else if (command.setup.empty() && !arguments[i].starts_with("-")) {
      command.setup = arguments[i];
    } else {
      return UsageError{"unexpected argument " + arguments[i]};
    }
  }
  if (command.setup.empty()) return UsageError{"inspect needs a setup executable"};
  return command;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return UsageError{"no command given (see --help)"};
  const std::string& first = arguments[0];
  if (first == "--help" || first == "-h" || first == "help") return HelpCommand{};
  if (first == "--version") return VersionCommand{};
  if (first == "build") return ParseBuild(arguments);
  if (first == "inspect") return ParseInspect(arguments);
  const std::string nearest = NearestName(first, {"build", "inspect", "help"});
  return UsageError{"unknown command " + first + (nearest.empty() ? " (see --help)" : " (did you mean " + nearest + "?)")};
}

}  // namespace valdorine::builder
