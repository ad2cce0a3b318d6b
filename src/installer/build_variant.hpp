// What sets the installer's two builds apart. The shipped installer sends problem reports to the
// endpoint it was built with (none unless the build names one) and never crashes on purpose. The
// crash-test build (VALDORINE_CRASH_TEST, made for the test scenarios only) sends them to a
// loopback server and divides by zero once the install log has a place, so that the whole crash
// path can be watched from outside.
#pragma once

namespace valdorine {

// The maker's problem-report endpoint ("" for none) and support address.
const char* ProblemReportEndpoint();
const char* SupportAddress();

// Raises the crash of the crash-test build; does nothing in the shipped installer.
void CrashTestPoint();

}  // namespace valdorine
