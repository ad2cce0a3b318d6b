#include "installer/build_variant.hpp"

#ifndef VALDORINE_PROBLEM_REPORT_URL
#define VALDORINE_PROBLEM_REPORT_URL ""
#endif

namespace valdorine {

#ifdef VALDORINE_CRASH_TEST

const char* ProblemReportEndpoint() { return "http://127.0.0.1:48150/problem-report"; }

void CrashTestPoint() {
  // Both operands are read at run time, so the compiler has to emit the division itself.
  volatile int dividend = 7;
  volatile int divisor = 0;
  volatile int quotient = dividend / divisor;
  (void)quotient;
}

#else

const char* ProblemReportEndpoint() { return VALDORINE_PROBLEM_REPORT_URL; }

void CrashTestPoint() {}

#endif

const char* SupportAddress() { return "support@quenmarch.com"; }

}  // namespace valdorine
