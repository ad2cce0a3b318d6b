#include "diagnostics/problem_report.hpp"

#include <windows.h>

#include "diagnostics/http_request.hpp"

namespace valdorine {
namespace {

struct Recipient {
  String endpoint;
  String support_address;
};

Recipient& ReportRecipient() {
  static Recipient recipient;
  return recipient;
}

}  // namespace

void SetProblemReportRecipient(const char* endpoint, const char* support_address) {
  ReportRecipient() = Recipient{String::FromNarrow(endpoint), String::FromNarrow(support_address)};
}

bool ProblemReportRecipientConfigured() { return !ReportRecipient().endpoint.IsEmpty(); }

MultipartForm ComposeProblemReport(const ProblemReport& problem, const String& support_address) {
  String body = problem.report;
  String headers = String::FromNarrow("X-Quenmarch-Internal: 2\r\n");
  if (!problem.email.IsEmpty()) {
    headers.AppendFormatNarrow("X-Exception-Email: %s\r\nReply-To: %s\r\n", problem.email.Narrow(), problem.email.Narrow());
    body.AppendFormatNarrow("\r\nEmail: %s\r\n", problem.email.Narrow());
  }
  if (!problem.comments.IsEmpty()) body.AppendFormatNarrow("\r\nComments:\r\n%s", problem.comments.Narrow());
  MultipartForm form;
  form.AddField("from", support_address);
  form.AddField("body", body);
  form.AddField("subject", String::FormatNarrow("Exception - Installer 42.1.2: %s", problem.program_name.Narrow()));
  form.AddField("headers", headers);
  return form;
}

void SendProblemReport(const ProblemReport& problem) {
  const Recipient& recipient = ReportRecipient();
  if (recipient.endpoint.IsEmpty()) return;
  const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  HttpRequest request;
  request.verb = "POST";
  request.url = recipient.endpoint;
  request.body = ComposeProblemReport(problem, recipient.support_address).Body();
  request.headers = MultipartForm::HeadersFor(request.body);
  SendThroughSockets(request, kHttpTimeoutMs);
  SetCursor(previous ? previous : LoadCursorW(nullptr, IDC_ARROW));
}

}  // namespace valdorine
