// The commands for whole sites, against a real simulator: inventory and Prometheus output read back
// by real parsers, with the clocks a fleet file names.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

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

// The Prometheus text parsed by the client library's parser: each family's samples, labels and value.
constexpr const char* kParseMetrics =
    "import json,sys\nfrom prometheus_client.parser import text_string_to_metric_families as parse\n"
    "print(json.dumps({f.name: [[s.labels, s.value] for s in f.samples] for f in parse(sys.argv[1])}))";

bool PythonHas(const char* module) {
    return RunProgram({"/usr/bin/python3", "-c", std::string("import ") + module}).exitCode == 0;
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
    for (const json& row : *rows) EXPECT_EQ(row.size(), 21u) << row;
    EXPECT_EQ((*rows)[0][1], "serialNumber");
    EXPECT_EQ((*rows)[1][1], "'" + visible) << "made visible, and no formula";

    if (!PythonHas("prometheus_client"))
        GTEST_SKIP() << "python3-prometheus-client is missing (scripts/bootstrap.sh installs it): the "
                        "Prometheus output is not parsed";
    const auto metrics =
        RunCtl(sim, {"monitor", "--once", "--format", "prometheus", "127.0.0.2", "127.0.0.3", "127.0.0.4"});
    EXPECT_EQ(metrics.exitCode, 6) << metrics.err;
    const auto families = Python(kParseMetrics, metrics.out);
    ASSERT_TRUE(families) << metrics.out;
    const json& info = (*families)["horavane_clock_info"];
    ASSERT_EQ(info.size(), 2u) << *families;
    EXPECT_EQ(info[0][0]["serial_number"], visible);
}

TEST(CtlSite, PrometheusFileShowsTheKnownSilentClocksAndIsWrittenWholeOrNotAtAll) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    if (!PythonHas("prometheus_client"))
        GTEST_SKIP() << "python3-prometheus-client is missing (scripts/bootstrap.sh installs it)";
    TempFolder collector;
    const std::string file = collector.File("horavane.prom").string();
    // 127.0.0.6 is known and inside the block but no clock holds it; 127.0.0.3 answers unnamed.
    const TempFile fleet(
        "address,name,location,group\n127.0.0.2,\"Ward 3, \"\"east\"\"\",Block B,Wards\n"
        "127.0.0.4,Gym,Hall,Sport\n127.0.0.6,Lab,Block C,Labs\n",
        "fleet.csv");
    const std::vector<std::string> round = {"monitor",      "--once",  "--format",   "prometheus", "--subnet",
                                            "127.0.0.0/29", "--fleet", fleet.path(), "--output",   file};
    SimProcess sim({"--clocks", "3", "--fault", "127.0.0.4:silent"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    const auto written = RunCtl(sim, round);
    EXPECT_EQ(written.exitCode, 0) << written.err
                                   << "\nwritten, although the known 127.0.0.4 and .6 are silent";
    EXPECT_EQ(collector.EntryCount(), 1u) << "no temporary file is left";
    const std::vector<unsigned char> bytes = ReadBytes(file);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find('\r'), std::string::npos);
    const auto families = Python(kParseMetrics, text);
    ASSERT_TRUE(families) << text;
    EXPECT_EQ((*families)["horavane_clock_up"],
              json::parse(R"([[{"address": "127.0.0.2"}, 1.0], [{"address": "127.0.0.3"}, 1.0],
                              [{"address": "127.0.0.4"}, 0.0], [{"address": "127.0.0.6"}, 0.0]])"))
        << "a known clock that is silent has its series, at 0";
    const json& info = (*families)["horavane_clock_info"];
    ASSERT_EQ(info.size(), 2u) << *families;
    EXPECT_EQ(info[0][0], (json{{"address", "127.0.0.2"},
                                {"serial_number", "HV-2026-1001"},
                                {"mac", "02-48-56-00-00-01"},
                                {"name", "Ward 3, \"east\""},
                                {"location", "Block B"},
                                {"group", "Wards"}}));
    EXPECT_EQ(info[1][0]["name"], "") << "127.0.0.3 answers, the fleet file does not name it";
    EXPECT_EQ((*families)["horavane_last_run_timestamp_seconds"].size(), 1u);
    EXPECT_EQ((*families)["horavane_last_run_duration_seconds"].size(), 1u);

    // The inventory of the block lists the known clocks that did not answer, and names the others.
    const auto inventory = RunCtl(sim, {"inventory", "127.0.0.0/29", "--fleet", fleet.path(), "--json"});
    ASSERT_EQ(inventory.exitCode, 0) << inventory.err;
    const json listed = json::parse(inventory.out);
    ASSERT_EQ(listed.size(), 4u) << listed;
    EXPECT_EQ(listed[0]["name"], "Ward 3, \"east\"");
    EXPECT_EQ(listed[1]["state"], "unknown");
    EXPECT_EQ(listed[2]["address"], "127.0.0.4");
    EXPECT_EQ(listed[2]["state"], "silent");
    EXPECT_EQ(listed[3]["name"], "Lab");
    EXPECT_EQ(listed[3]["state"], "silent");
    const auto status = RunCtl(sim, {"status", "--group", "Wards", "--fleet", fleet.path()});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_NE(status.out.find("Ward 3, \"east\" (127.0.0.2)"), std::string::npos) << status.out;

    // A folder in the file's place is no file to replace: exit 11, left alone, nothing left behind.
    TempFolder blocked;
    std::filesystem::create_directory(blocked.File("horavane.prom"));
    std::vector<std::string> failing = round;
    failing.back() = blocked.File("horavane.prom").string();
    const auto refused = RunCtl(sim, failing);
    EXPECT_EQ(refused.exitCode, 11);
    EXPECT_NE(refused.err.find("horavane.prom is a folder, not a regular file"), std::string::npos)
        << refused.err;
    EXPECT_EQ(blocked.EntryCount(), 1u) << "the temporary file was left behind";
    // A file that cannot be written (its folder is missing): exit 10.
    failing.back() = (blocked.File("missing") / "horavane.prom").string();
    const auto unwritten = RunCtl(sim, failing);
    EXPECT_EQ(unwritten.exitCode, 10);
    EXPECT_NE(unwritten.err.find("horavane.prom cannot be written"), std::string::npos) << unwritten.err;
}

// Gym holds what the Wards should (and what its own row says again); Hall was changed behind the
// site's back (12 hours, Bright); of the Labs only time-format is desired, and Lab holds it.
TEST(CtlSite, CheckWarnsOfADriftedClockNamingItsSettingsOrIsCriticalWhenAskedTo) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    TempFile state(R"({"clocks": {"127.0.0.3": {"timeFormat": 12, "brightness": 3}}})", "state.json");
    SimProcess sim({"--clocks", "3", "--state-file", state.path()});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    TempFolder site;
    const std::string fleet = site.Write("fleet.csv",
                                         "address,name,location,group\n127.0.0.2,Gym,Hall,Wards\n"
                                         "127.0.0.3,Hall,Block B,Wards\n127.0.0.4,Lab,Block C,Labs\n");
    const std::string desired = site.Write(
        "desired.csv",
        "group,clock,setting,value\nWards,,time-format,24\nWards,,brightness,Normal\nLabs,,time-format,24\n"
        ",127.0.0.2,brightness,Normal\n");

    // desired.csv beside the fleet file is read without --desired.
    const auto warning = RunCtl(sim, {"check", "--fleet", fleet});
    EXPECT_EQ(warning.exitCode, 1) << warning.out << warning.err;
    EXPECT_EQ(warning.out.substr(0, warning.out.find(" | ")),
              "CLOCKS WARNING - 3 clocks, 3 synchronised, 2 in line - drifted: Hall (127.0.0.3) time-format, "
              "brightness");
    EXPECT_NE(warning.out.find(" drifted=1;0;;0\n"), std::string::npos) << warning.out;

    const auto critical = RunCtl(sim, {"check", "--fleet", fleet, "--desired", desired, "--drift-critical"});
    EXPECT_EQ(critical.exitCode, 2) << critical.out << critical.err;
    EXPECT_EQ(critical.out.substr(0, 16), "CLOCKS CRITICAL ") << critical.out;
    EXPECT_NE(critical.out.find(" drifted=1;;0;0\n"), std::string::npos) << critical.out;

    // Of the Labs alone: Gym's own row still finds Gym among the fleet file's rows kept.
    const auto inLine = RunCtl(sim, {"check", "--fleet", fleet, "--group", "Labs", "--drift-critical"});
    EXPECT_EQ(inLine.exitCode, 0) << inLine.out << inLine.err;
    EXPECT_EQ(inLine.out.substr(0, inLine.out.find(" | ")), "CLOCKS OK - 1 clock, 1 synchronised, 1 in line");

    // A value set would refuse, or a row the fleet file cannot place: UNKNOWN naming the file and
    // the line, nothing judged.
    const std::string bad = site.Write("bad.csv", "group,clock,setting,value\nWards,,time-format,13\n");
    const auto badValue = RunCtl(sim, {"check", "--fleet", fleet, "--desired", bad});
    EXPECT_EQ(badValue.exitCode, 3) << badValue.out << badValue.err;
    EXPECT_EQ(badValue.out.substr(0, 17), "CLOCKS UNKNOWN - ") << badValue.out;
    EXPECT_NE(badValue.out.find("bad.csv, line 2"), std::string::npos) << badValue.out;
    const std::string stray =
        site.Write("stray.csv", "group,clock,setting,value\n,127.0.0.9,time-format,12\n");
    const auto refused = RunCtl(sim, {"check", "--fleet", fleet, "--desired", stray});
    EXPECT_EQ(refused.exitCode, 3) << refused.out << refused.err;
    EXPECT_EQ(refused.out.substr(0, 17), "CLOCKS UNKNOWN - ") << refused.out;
    EXPECT_NE(refused.out.find("stray.csv"), std::string::npos) << refused.out;
    EXPECT_NE(refused.out.find("line 2"), std::string::npos) << refused.out;
}

// The same drift in the Prometheus text, read back by the client library's parser: Hall is out of
// line by one setting, Gym in line, and Lab, silent, has no in-line sample at all.
TEST(CtlSite, PrometheusSaysWhichAnsweringClocksAreInLine) {
    HORAVANE_SKIP_UNDER_WINE(kWineClockAddresses);
    if (!PythonHas("prometheus_client"))
        GTEST_SKIP() << "python3-prometheus-client is missing (scripts/bootstrap.sh installs it)";
    TempFile state(R"({"clocks": {"127.0.0.3": {"timeFormat": 12}}})", "state.json");
    SimProcess sim({"--clocks", "3", "--state-file", state.path(), "--fault", "127.0.0.4:silent"});
    ASSERT_TRUE(sim.started()) << sim.Banner();
    TempFolder site;
    const std::string fleet = site.Write("fleet.csv",
                                         "address,name,location,group\n127.0.0.2,Gym,Hall,Wards\n"
                                         "127.0.0.3,Hall,Block B,Wards\n127.0.0.4,Lab,Block C,Wards\n");
    const std::string desired = site.Write(
        "wards.csv", "group,clock,setting,value\nWards,,time-format,24\nWards,,brightness,Normal\n");
    const auto metrics =
        RunCtl(sim, {"monitor", "--once", "--format", "prometheus", "--fleet", fleet, "--desired", desired});
    EXPECT_EQ(metrics.exitCode, 6) << metrics.err;
    const auto families = Python(kParseMetrics, metrics.out);
    ASSERT_TRUE(families) << metrics.out;
    EXPECT_EQ((*families)["horavane_clock_in_line"],
              json::parse(R"([[{"address": "127.0.0.2"}, 1.0], [{"address": "127.0.0.3"}, 0.0]])"))
        << metrics.out;
    EXPECT_EQ((*families)["horavane_clock_drifted_settings"],
              json::parse(R"([[{"address": "127.0.0.2"}, 0.0], [{"address": "127.0.0.3"}, 1.0]])"));

    // The table does not read desired settings, and says so when given them; a refused file writes
    // no round, naming the file and the line.
    const auto table = RunCtl(sim, {"monitor", "--once", "--fleet", fleet, "--desired", desired});
    EXPECT_EQ(table.exitCode, 1);
    EXPECT_NE(table.err.find("--desired needs --format prometheus"), std::string::npos) << table.err;
    const std::string bad = site.Write("bad.csv", "group,clock,setting,value\nWards,,time-format,13\n");
    const auto refused =
        RunCtl(sim, {"monitor", "--once", "--format", "prometheus", "--fleet", fleet, "--desired", bad});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("bad.csv, line 2"), std::string::npos) << refused.err;
    const std::string stray = site.Write("stray.csv", "group,clock,setting,value\nGym,,time-format,24\n");
    const auto unplaced =
        RunCtl(sim, {"monitor", "--once", "--format", "prometheus", "--fleet", fleet, "--desired", stray});
    EXPECT_EQ(unplaced.exitCode, 1);
    EXPECT_NE(unplaced.err.find("stray.csv, line 2: the group \"Gym\" has no clock"), std::string::npos)
        << unplaced.err;
}

}  // namespace
}  // namespace horavane::test
