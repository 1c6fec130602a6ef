// The commands for whole sites, against a real simulator: sweeps of blocks, the end of a fleet
// query, check's codes, inventory and Prometheus output read back by real parsers, and the journal.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include "tests/cli/CtlSupport.h"

namespace horavane::test {
namespace {

using nlohmann::json;

// Runs a Python snippet over `text` (its argv[1]) and reads what it prints as JSON.
std::optional<json> Python(const std::string& script, const std::string& text) {
    const auto run = RunProgram({"/usr/bin/python3", "-c", script, text});
    if (run.exitCode != 0) ADD_FAILURE() << run.err;
    return run.exitCode == 0 ? std::optional(json::parse(run.out)) : std::nullopt;
}

bool PythonHas(const char* module) {
    return RunProgram({"/usr/bin/python3", "-c", std::string("import ") + module}).exitCode == 0;
}

TEST(CtlSite, SweepsBlocksAndEndsAFleetQueryWhenEveryClockHasAnsweredOrWaitedOnce) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    // 300 clocks: 127.0.0.2 to .254, then 127.0.1.2 to .48.
    SimProcess sim({"--clocks", "300", "--fault", "127.0.0.4:silent"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    const auto site = RunCtl(sim, {"search", "127.0.0.128/25", "127.0.1.0-127.0.1.9", "--json"});
    ASSERT_EQ(site.exitCode, 0) << site.err;
    EXPECT_EQ(json::parse(site.out).size(), 127u + 8u);
    const auto tooLarge = RunCtl(sim, {"search", "127.0.0.0/15"});
    EXPECT_EQ(tooLarge.exitCode, 1);
    EXPECT_NE(tooLarge.err.find("\"127.0.0.0/15\" is larger than a /16"), std::string::npos) << tooLarge.err;

    const auto answering = RunCtl(sim, {"monitor", "--once", "127.0.0.2", "127.0.1.48", "--wait", "5"});
    EXPECT_EQ(answering.exitCode, 0) << answering.err;
    EXPECT_LT(answering.elapsed, Ms(2500)) << "well before the wait of 5 s";
    const auto silent = RunCtl(sim, {"monitor", "--once", "127.0.0.2", "127.0.0.4", "--wait", "1"});
    EXPECT_EQ(silent.exitCode, 6);
    EXPECT_GE(silent.elapsed, Ms(1000));
    EXPECT_LT(silent.elapsed, Ms(2000)) << "the silent clock is given up after one wait";
}

TEST(CtlCheck, GivesEachCaseItsCodeAndOneStatusLine) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    TempFile state(R"({"clocks": {"127.0.0.3": {"synchronised": false}}})", "state.json");
    SimProcess sim({"--clocks", "4", "--state-file", state.path(), "--fault", "127.0.0.4:silent", "--fault",
                    "127.0.0.5:wrong-checksum=1000"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    const std::regex line(R"(CLOCKS (OK|WARNING|CRITICAL|UNKNOWN) - [^|\n]+( \| clocks=\d+ synchronised=\d+ )"
                          R"(silent=\d+ checksum_errors=\d+ response_time=\d+\.\d{6}s)?\n)");
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"127.0.0.2"}, 0, "CLOCKS OK - 1 clocks, 1 synchronised |"},
        {{"127.0.0.2", "127.0.0.3"},
         1,
         "CLOCKS WARNING - 2 clocks, 1 synchronised; unsynchronised: 127.0.0.3 |"},
        {{"127.0.0.3", "--warn-unsynced", "1"}, 0, "CLOCKS OK - 1 clocks, 0 synchronised; unsynchronised"},
        {{"127.0.0.2", "127.0.0.4"}, 2, "CLOCKS CRITICAL - 2 clocks, 1 synchronised; silent: 127.0.0.4 |"},
        {{"127.0.0.4", "--crit-silent", "1"}, 0, "CLOCKS OK - 1 clocks, 0 synchronised; silent: 127.0.0.4"},
        {{"127.0.0.0/29"},
         2,
         "CLOCKS CRITICAL - 3 clocks, 1 synchronised; checksum errors: 127.0.0.5; unsynchronised: 127.0.0.3 "
         "|"},
        {{"127.0.1.0/30"}, 2, "CLOCKS CRITICAL - no clock answered |"},
        {{"127.0.0.0/15"}, 3, "CLOCKS UNKNOWN - \"127.0.0.0/15\" is larger than a /16"},
        {{"127.0.0.2", "--warn-unsynced", "-1"}, 3, "CLOCKS UNKNOWN - --warn-unsynced"},
    };
    for (const auto& [arguments, code, start] : cases) {
        std::vector<std::string> all = {"check"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const auto result = RunCtl(sim, all);
        EXPECT_EQ(result.exitCode, code) << start << "\n" << result.out << result.err;
        EXPECT_EQ(result.out.rfind(start, 0), 0u) << result.out;
        EXPECT_TRUE(std::regex_match(result.out, line)) << result.out;
    }
}

TEST(CtlSite, InventoryAndPrometheusKeepAHostileSerialNumberInsideItsField) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    // Twenty bytes that would forge a CSV field and a line, start a formula and clear a terminal.
    const std::string hostile = "=HYPER\",\n\\\x1b[2J";
    TempFile state(R"({"clocks": {"127.0.0.2": {"serialNumber": )" + json(hostile).dump() + "}}}",
                   "state.json");
    SimProcess sim({"--clocks", "3", "--state-file", state.path(), "--fault", "127.0.0.4:silent"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    const std::string visible = R"(=HYPER",\n\\\x1b[2J)";

    const auto asJson = RunCtl(sim, {"inventory", "127.0.0.0/29", "--json"});
    ASSERT_EQ(asJson.exitCode, 0) << asJson.err;
    const json clocks = json::parse(asJson.out);
    ASSERT_EQ(clocks.size(), 2u);
    EXPECT_EQ(clocks[0]["serialNumber"], hostile) << "JSON carries it whole, escaped";
    EXPECT_EQ(clocks[1]["macAddress"], "02-48-56-00-00-02");

    if (!PythonHas("csv")) GTEST_SKIP() << "no /usr/bin/python3: the CSV and Prometheus parsers are not run";
    const auto csv = RunCtl(sim, {"inventory", "127.0.0.0/29", "--csv"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const auto rows = Python(
        "import csv,json,sys; print(json.dumps(list(csv.reader(sys.argv[1].splitlines(True)))))", csv.out);
    ASSERT_TRUE(rows && rows->size() == 3u) << csv.out;
    for (const json& row : *rows) EXPECT_EQ(row.size(), 17u) << row;
    EXPECT_EQ((*rows)[0][1], "serialNumber");
    EXPECT_EQ((*rows)[1][1], "'" + visible) << "made visible, and no formula";

    if (!PythonHas("prometheus_client"))
        GTEST_SKIP() << "python3-prometheus-client is missing (scripts/bootstrap.sh installs it): the "
                        "Prometheus output is not parsed";
    const auto metrics =
        RunCtl(sim, {"monitor", "--once", "--format", "prometheus", "127.0.0.2", "127.0.0.3", "127.0.0.4"});
    EXPECT_EQ(metrics.exitCode, 6) << metrics.err;
    const auto families = Python(
        "import json,sys\nfrom prometheus_client.parser import text_string_to_metric_families as parse\n"
        "print(json.dumps({f.name: [[s.labels, s.value] for s in f.samples] for f in parse(sys.argv[1])}))",
        metrics.out);
    ASSERT_TRUE(families) << metrics.out;
    const json& up = (*families)["horavane_clock_up"];
    ASSERT_EQ(up.size(), 3u) << *families;
    EXPECT_EQ(up[0][0], (json{{"address", "127.0.0.2"}, {"serial_number", visible}}));
    EXPECT_EQ(up[2][1], 0.0) << "the silent clock is down";
    EXPECT_EQ((*families)["horavane_clock_synchronised"].size(), 2u);
    EXPECT_EQ((*families)["horavane_clock_response_seconds"].size(), 2u);
}

TEST(CtlJournal, HoldsWhatEachWriteReplacedAndRestoreBringsItBack) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    SimProcess sim({"--clocks", "2"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    TempFile password("QXNdarvelint\n", "password");
    const TempFolder journal;  // a journal of this test's own
    const std::string home = journal.path().string();
    const std::vector<std::string> writing = {"--password-file", password.path(), "--password-store",
                                              password.path() + ".store"};
    auto write = [&](std::vector<std::string> args, const std::string& where = "") {
        args.insert(args.end(), writing.begin(), writing.end());
        return RunCtl(sim, args, where.empty() ? home : where);
    };
    auto shown = [&](const char* clock) { return json::parse(RunCtl(sim, {"export", clock}).out); };
    const json original = shown("127.0.0.2");

    ASSERT_EQ(write({"set", "127.0.0.2", "--time-zone", "UTC +8"}).exitCode, 0);
    // A program killed while it appended leaves the start of a record without its line end.
    std::ofstream(home + "/horavane/journal.jsonl", std::ios::app) << R"({"time":"2026-)";
    TempFile dim(R"({"brightness": "Dim"})", "dim.json");
    ASSERT_EQ(write({"apply", dim.path(), "127.0.0.2", "127.0.0.3"}).exitCode, 0);

    const auto history = RunCtlPlain({"history", "--json"}, home);
    EXPECT_NE(history.err.find("1 damaged line(s)"), std::string::npos) << history.err;
    const json records = json::parse(history.out);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["before"], original);
    EXPECT_EQ(records[0]["written"]["timeZoneEntry"], "UTC +8");
    EXPECT_EQ(records[1]["before"]["timeZoneEntry"], "UTC +8");
    EXPECT_EQ(records[2]["address"], "127.0.0.3");
    EXPECT_EQ(records[2]["command"], "apply");

    const auto back = write({"restore", "127.0.0.2", "--at", "2000-01-01"});
    EXPECT_EQ(back.exitCode, 0) << back.out << back.err;
    EXPECT_EQ(back.out.rfind("127.0.0.2  verified\n", 0), 0u) << back.out;
    EXPECT_EQ(shown("127.0.0.2"), original);
    EXPECT_EQ(write({"restore", "127.0.0.3"}).exitCode, 0) << "undoes the latest write";
    EXPECT_EQ(shown("127.0.0.3")["brightness"], "Normal");
    EXPECT_NE(RunCtlPlain({"history", "127.0.0.2"}, home)
                  .out.find("restore  timeZoneEntry \"UTC +8\" -> \"UTC +1\""),
              std::string::npos);

    // No journal, no write.
    const auto unjournaled = write({"set", "127.0.0.2", "--brightness", "Bright"}, password.path());
    EXPECT_EQ(unjournaled.exitCode, 8) << unjournaled.err;
    EXPECT_NE(unjournaled.err.find("nothing was sent"), std::string::npos);
    EXPECT_EQ(shown("127.0.0.2"), original);
}

}  // namespace
}  // namespace horavane::test
