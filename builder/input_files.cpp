#include "input_files.hpp"

#include <chrono>
#include <system_error>

#include "build_error.hpp"

namespace valdorine::builder {

EntryDate EntryDateOf(const std::filesystem::path& file) {
  using namespace std::chrono;
  std::error_code error;
  const auto modified = std::filesystem::last_write_time(file, error);
  if (error) return {};
  const auto seconds = time_point_cast<std::chrono::seconds>(file_clock::to_sys(modified));
  const auto day = floor<days>(seconds);
  const year_month_day date(day);
  const hh_mm_ss time(seconds - day);
  return {static_cast<int32_t>(int(date.year())), static_cast<int32_t>(unsigned(date.month())),
          static_cast<int32_t>(unsigned(date.day())), static_cast<int32_t>(time.hours().count()),
          static_cast<int32_t>(time.minutes().count()), static_cast<int32_t>(time.seconds().count())};
}

namespace {

std::string EntryName(const InputFile& file) {
  if (!file.name.empty()) return file.name;
  const std::u8string name = file.source.filename().u8string();
  return std::string(name.begin(), name.end());
}

}  // namespace

std::vector<PackedFile> CollectInputFiles(const std::vector<InputFile>& files) {
  std::vector<PackedFile> packed;
  for (const InputFile& file : files) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file.source, error)) {
      throw BuildError("the input " + file.source.string() + " is not a readable file");
    }
    const uintmax_t size = std::filesystem::file_size(file.source, error);
    if (error) throw BuildError("cannot read the size of " + file.source.string() + ": " + error.message());
    if (size > static_cast<uintmax_t>(kMaxEntrySize)) {
      throw BuildError("the input " + file.source.string() + " is larger than 1 GiB");
    }
    PackedFile item{file.source, file.entry.value_or(FileEntry()), static_cast<uint32_t>(size)};
    item.entry.name = EntryName(file);
    item.entry.date = EntryDateOf(file.source);
    if (item.entry.name.empty()) throw BuildError("the input " + file.source.string() + " has no name");
    packed.push_back(std::move(item));
  }
  return packed;
}

}  // namespace valdorine::builder
