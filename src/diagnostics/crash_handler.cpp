#include "diagnostics/crash_handler.hpp"

#include "diagnostics/crash_facts.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/install_log.hpp"
#include "diagnostics/problem_report.hpp"
#include "run/installer_process.hpp"
#include "run/run_switches.hpp"
#include "ui/exception_dialog.hpp"

namespace valdorine {
namespace {

String Ansi(const String& wide) { return NarrowFromWide(wide, code_page::kAnsi); }

void OfferProblemReport(const String& report) {
  const String wide_report = WideFromNarrow(report, code_page::kAnsi);
  const ExceptionDialogAnswer answer = ShowExceptionDialog(Process().instance, wide_report, String::FromWide(u"Quenmarch"),
                                                           ProblemReportRecipientConfigured());
  if (!answer.inform_us) return;
  SendProblemReport({report, Ansi(answer.email), Ansi(answer.comments), Ansi(ProgramFileName())});
}

}  // namespace

LONG HandleInstallerCrash(const CrashInfo& crash) {
  const String report = ComposeCrashReport(GatherCrashFacts(crash));
  String crashed = String::FromNarrow("\r\n\r\nINSTALLER CRASHED!\r\n");
  crashed.Append(report);
  String& summary = FailureSummary();
  summary.Append(WideFromNarrow(crashed, code_page::kWindows1252));
  WriteInstallLog(summary, false, false);
  if (!Switches().silent_mode) OfferProblemReport(report);
  return kCrashHandled;
}

}  // namespace valdorine
