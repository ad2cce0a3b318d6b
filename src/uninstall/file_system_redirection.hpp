// The file-system redirection of a 32-bit process on 64-bit Windows, switched off while a 64-bit
// product is handled so that its paths reach the 64-bit system folders.
#pragma once

namespace valdorine {

// Switches redirection off for its lifetime when `switch_off` is true (and the system has it);
// a failure to do so ends the run ("Wow64DisableWow64FsRedirection() failed").
class FileSystemRedirectionOff {
 public:
  explicit FileSystemRedirectionOff(bool switch_off);
  ~FileSystemRedirectionOff();
  FileSystemRedirectionOff(const FileSystemRedirectionOff&) = delete;
  FileSystemRedirectionOff& operator=(const FileSystemRedirectionOff&) = delete;

 private:
  void* previous_state_ = nullptr;
  bool switched_off_ = false;
};

}  // namespace valdorine
