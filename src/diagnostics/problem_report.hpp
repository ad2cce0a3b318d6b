// The problem report: after a crash, and only when the user asks for it, the crash report goes to
// the maker as a multipart form through the built-in HTTP client.
#pragma once

#include "core/string.hpp"
#include "diagnostics/multipart_form.hpp"

namespace valdorine {

// Where reports go: the maker's endpoint ("http://...") and support address (narrow). Without an
// endpoint no report can be sent, and the crash dialog does not offer it.
void SetProblemReportRecipient(const char* endpoint, const char* support_address);
bool ProblemReportRecipientConfigured();

struct ProblemReport {
  String report;        // the crash report, narrow
  String email;         // narrow; may be empty
  String comments;      // narrow; may be empty
  String program_name;  // the running executable's file name, narrow
};

// The form's fields "from", "body", "subject" and "headers", in that order.
MultipartForm ComposeProblemReport(const ProblemReport& problem, const String& support_address);

// Sends the report to the configured endpoint with the wait cursor showing. Failures are dropped.
void SendProblemReport(const ProblemReport& problem);

}  // namespace valdorine
