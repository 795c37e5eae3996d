// Runs the Windows test cases and ends with one "N passed, N failed" line that
// the test script looks for. Started with "--print-identifier" it prints the
// machine identifier instead, so a test can compare it across processes.

#define DOCTEST_CONFIG_IMPLEMENT
#include "winhelpers.h"

#include "hardware/machineidentity.h"

#include <doctest.h>

#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

doctest::TestRunStats g_runStats{};

// Keeps the run's totals for the closing line; prints nothing itself.
class RunStatsListener final : public doctest::IReporter {
public:
    explicit RunStatsListener(const doctest::ContextOptions &) {}
    void report_query(const doctest::QueryData &) override {}
    void test_run_start() override {}
    void test_run_end(const doctest::TestRunStats &stats) override { g_runStats = stats; }
    void test_case_start(const doctest::TestCaseData &) override {}
    void test_case_reenter(const doctest::TestCaseData &) override {}
    void test_case_end(const doctest::CurrentTestCaseStats &) override {}
    void test_case_exception(const doctest::TestCaseException &) override {}
    void subcase_start(const doctest::SubcaseSignature &) override {}
    void subcase_end() override {}
    void log_assert(const doctest::AssertData &) override {}
    void log_message(const doctest::MessageData &) override {}
    void test_case_skipped(const doctest::TestCaseData &) override {}
};

} // namespace

REGISTER_LISTENER("runstats", 1, RunStatsListener);

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], WinTest::kPrintIdentifierArgument) == 0) {
        std::printf("%s", WinTest::utf8(MachineIdentity::identifier()).c_str());
        return 0;
    }

    doctest::Context context(argc, argv);
    // The report keeps standard output's own buffer, so that a test may catch
    // what the code under test writes to std::cout without swallowing it.
    std::ostream report(std::cout.rdbuf());
    context.setCout(&report);
    const int result = context.run();
    if (context.shouldExit())
        return result;

    const unsigned failed = g_runStats.numTestCasesFailed;
    const unsigned passed = g_runStats.numTestCasesPassingFilters - failed;
    std::printf("%u passed, %u failed\n", passed, failed);
    std::fflush(stdout);
    return result != 0 || failed != 0 || passed == 0 ? 1 : 0;
}
