#include "cli.hpp"

#include <charconv>
#include <thread>

#include "format/package_layout.hpp"

namespace valdorine::builder {

const char kUsage[] =
    "usage:\n"
    "  valdorine-build build PROJECT.toml --stub STUB -o OUT [--threads N] [--block-size BYTES]\n"
    "  valdorine-build build --stub STUB --out OUT [options] FILE[=NAME]...\n"
    "      --encrypt KEY        encrypt script and archive with Blowfish; KEY is 16 hex digits\n"
    "      --archive-in-file    store the archive after the section instead of inside it\n"
    "      --preset N           xz preset 0..9 (default 5)\n"
    "      --block-size BYTES   uncompressed bytes per archive block (default 8388608)\n"
    "      --threads N          compression threads (default: every core)\n"
    "      --integrity N        integrity mode: 0 none, 1 stub checksum, 2 signature\n"
    "      --package-flags N    package flag bits (0x20: keep an uninstaller image)\n"
    "      --script-flags W1,W2 install script option words\n"
    "      --product NAME       product name\n"
    "  valdorine-build inspect SETUP [--entries] [--json] [--uninstaller-image OUT]\n"
    "      prints the package's location, its header, the install script's settings and, with\n"
    "      --entries, every file entry; as name=value lines, or as JSON\n";

namespace {

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

// Applies one option that takes a value; returns an error text, empty on success.
std::string ApplyOption(const std::string& name, const std::string& value, BuildCommand& command) {
  BuildOptions& options = command.options;
  if (name == "--stub") {
    options.stub = value;
  } else if (name == "--out") {
    options.output = value;
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
  } else {
    return "unknown option " + name;
  }
  return "";
}

Command ParseBuild(const std::vector<std::string>& arguments) {
  BuildCommand command;
  command.options.threads = std::max(1u, std::thread::hardware_concurrency());
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i] == "-o" ? std::string("--out") : arguments[i];
    if (argument.ends_with(".toml") && command.project.empty() && command.options.files.empty()) {
      command.project = argument;
    } else if (argument == "--archive-in-file") {
      command.options.archive_in_file = command.script.archive_in_file = true;
    } else if (argument.starts_with("--")) {
      if (i + 1 >= arguments.size()) return UsageError{argument + " needs a value"};
      const std::string error = ApplyOption(argument, arguments[++i], command);
      if (!error.empty()) return UsageError{error};
    } else {
      command.options.files.push_back(ParseInputFile(argument));
    }
  }
  if (command.options.stub.empty() || command.options.output.empty()) return UsageError{"build needs --stub and --out"};
  if (!command.project.empty() && !command.options.files.empty()) {
    return UsageError{"a project file names the files itself"};
  }
  return command;
}

Command ParseInspect(const std::vector<std::string>& arguments) {
  InspectCommand command;
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "--entries") {
      command.entries = true;
    } else if (arguments[i] == "--json") {
      command.json = true;
    } else if (arguments[i] == "--uninstaller-image" && i + 1 < arguments.size()) {
      command.uninstaller_image = arguments[++i];
    } else if (command.setup.empty() && !arguments[i].starts_with("--")) {
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
  if (arguments.empty()) return UsageError{"no command given"};
  if (arguments[0] == "build") return ParseBuild(arguments);
  if (arguments[0] == "inspect") return ParseInspect(arguments);
  return UsageError{"unknown command " + arguments[0]};
}

}  // namespace valdorine::builder
