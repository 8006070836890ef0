// `ulvar serve` asked by Debian's wbemcli, a client nobody here wrote: what it
// gets must be what `ulvar report` writes for the same file, and every
// response it receives must be valid against the DMTF DTD.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/testing/CimDtd.h"
#include "server/ClassTable.h"
#include "server/testing/CimDocument.h"
#include "server/testing/SampleReports.h"
#include "server/testing/ServeProcess.h"

namespace {

using namespace ulvar_server::testing;

std::vector<std::string> linesOf(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

// What `ulvar report` writes for the sample.
std::string reportText(bool cluster) {
    std::string command = std::string(ULVAR_TOOL) + " report " + (cluster ? "--cluster " : "") +
                          sampleDatabase(cluster) + " 2>/dev/null";
    std::string text;
    FILE *pipe = popen(command.c_str(), "r");
    char chunk[65536];
    for (std::size_t n; pipe != nullptr && (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        text.append(chunk, n);
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return text;
}

class ServeWbemcliTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_WBEMCLI();
        std::vector<std::string> args = {sampleDatabase(GetParam())};
        if (GetParam()) {
            args.insert(args.begin(), "--cluster");
        }
        server.reset(new ServeProcess(args));
        ASSERT_TRUE(server->listening()) << server->errors();
        report = reportText(GetParam());
        ASSERT_NE(report, "");
    }

    void TearDown() override {
        if (server) {
            EXPECT_EQ(server->stop(), 0) << server->errors();
        }
    }

    // wbemcli `operation` on `path` (a class, or a path as ein prints it
    // with `asPrinted`); the response it received must be valid.
    WbemcliRun run(const std::string &operation, const std::string &path,
                   const std::string &more = "", bool asPrinted = false) {
        std::string target = asPrinted ? "http://" + path : server->url + "/root/cimv2:" + path;
        WbemcliRun done = wbemcli(operation + " '" + target + "' " + more);
        EXPECT_EQ(done.status, 0) << operation << " " << path << "\n" << done.err;
        if (!ulvar::testing::dtdPath().empty()) {
            EXPECT_EQ(ulvar::testing::cimDtdViolations(done.response()), "")
                << operation << " " << path;
        }
        return done;
    }

    // The report's instances of `className`, or all of them.
    CimDocument inReport(const std::string &className = "") const {
        std::string path =
            className.empty() ? "//INSTANCE" : "//INSTANCE[@CLASSNAME='" + className + "']";
        return CimDocument(report, path.c_str(), nullptr);
    }

    std::unique_ptr<ServeProcess> server;
    std::string report;
};

TEST_P(ServeWbemcliTest, EnumeratesEveryClassAsTheReportHoldsIt) {
    std::set<std::string> classes;
    for (const std::string &text : inReport().instances) {
        classes.insert(text.substr(0, text.find('{')));
    }
    for (const std::string &className : classes) {
        SCOPED_TRACE(className);
        const CimDocument expected = inReport(className);
        WbemcliRun ei = run("ei", className);
        EXPECT_EQ(linesOf(ei.out).size(), expected.instances.size());
        CimDocument got(ei.response(), "//IRETURNVALUE/VALUE.NAMEDINSTANCE/INSTANCE",
                        "//IRETURNVALUE/VALUE.NAMEDINSTANCE/INSTANCENAME");
        EXPECT_EQ(got.instances, expected.instances);
        EXPECT_EQ(got.names, expected.keyNames);

        WbemcliRun ein = run("ein", className);
        EXPECT_EQ(linesOf(ein.out).size(), expected.instances.size());
        EXPECT_EQ(CimDocument(ein.response(), nullptr, "//IRETURNVALUE/INSTANCENAME").names,
                  expected.keyNames);
    }
}

// Every instance that is no association, by the path ein printed for it.
TEST_P(ServeWbemcliTest, GetsEachInstanceByThePathEinPrints) {
    const CimDocument all = inReport();
    std::vector<std::string> paths = linesOf(run("ein", "CIM_ManagedElement").out);
    EXPECT_GT(paths.size(), 5u);
    for (const std::string &path : paths) {
        WbemcliRun gi = run("gi", path, "", true);
        CimDocument got(gi.response(), "//IRETURNVALUE/INSTANCE", nullptr);
        ASSERT_EQ(got.instances.size(), 1u) << path;
        EXPECT_EQ(all.instances.count(*got.instances.begin()), 1u) << *got.instances.begin();
    }
    const std::string disk = linesOf(run("ein", "Kalora_RM_DiskDrive").out).at(0);
    WbemcliRun gp = run("gp", disk, "DiskMake", true);
    EXPECT_NE(inReport("Kalora_RM_DiskDrive")
                  .instances.begin()
                  ->find("DiskMake=" + linesOf(gp.out).at(0) + ";"),
              std::string::npos);
}

// From the computer system (the cluster, in a cluster report) to everything
// the report's associations tie it to.
TEST_P(ServeWbemcliTest, WalksTheAssociationsOfTheComputerSystem) {
    const std::string systemClass =
        GetParam() ? "Kalora_RM_VornCluster" : "Kalora_RM_VerdaneUnitaryComputerSystem";
    const std::string system = linesOf(run("ein", systemClass).out).at(0);
    const std::string systemName = *inReport(systemClass).keyNames.begin();

    // The report's associations that name the system, and what else they name.
    std::multiset<std::string> referencing, systemDevices;
    std::set<std::string> associated;
    xmlDocPtr doc = xmlReadMemory(report.data(), static_cast<int>(report.size()), nullptr, nullptr,
                                  XML_PARSE_NONET);
    xmlXPathContextPtr context = xmlXPathNewContext(doc);
    xmlXPathObjectPtr found = xmlXPathEvalExpression(
        reinterpret_cast<const xmlChar *>("//INSTANCE[PROPERTY.REFERENCE]"), context);
    for (int i = 0; i < found->nodesetval->nodeNr; ++i) {
        xmlNode *association = found->nodesetval->nodeTab[i];
        std::vector<std::string> ends;
        bool names = false;
        for (xmlNode *reference : childrenOf(association, "PROPERTY.REFERENCE")) {
            std::string end = nameText(descendant(reference, "INSTANCENAME"));
            names |= end == systemName;
            ends.push_back(end);
        }
        if (!names) {
            continue;
        }
        std::string text = instanceText(association);
        referencing.insert(text);
        if (attributeOf(association, "CLASSNAME") == "CIM_SystemDevice") {
            systemDevices.insert(text);
        }
        for (const std::string &end : ends) {
            if (end != systemName) {
                associated.insert(end);
            }
        }
    }
    xmlXPathFreeObject(found);
    xmlXPathFreeContext(context);
    xmlFreeDoc(doc);
    ASSERT_FALSE(associated.empty());

    const char *objectPaths = "//IRETURNVALUE/OBJECTPATH/INSTANCEPATH/INSTANCENAME";
    const char *objects = "//IRETURNVALUE/VALUE.OBJECTWITHPATH/INSTANCE";
    CimDocument ain(run("ain", system, "", true).response(), nullptr, objectPaths);
    EXPECT_EQ(std::set<std::string>(ain.names.begin(), ain.names.end()), associated);
    EXPECT_EQ(ain.names.size(), associated.size());
    const char *objectNames = "//IRETURNVALUE/VALUE.OBJECTWITHPATH/INSTANCEPATH/INSTANCENAME";
    CimDocument ai(run("ai", system, "", true).response(), objects, objectNames);
    EXPECT_EQ(std::set<std::string>(ai.names.begin(), ai.names.end()), associated);
    for (const std::string &instance : ai.instances) {
        EXPECT_EQ(inReport().instances.count(instance), 1u) << instance;
    }
    EXPECT_EQ(
        CimDocument(run("rin", system, "", true).response(), nullptr, objectPaths).names.size(),
        referencing.size());
    EXPECT_EQ(CimDocument(run("ri", system, "", true).response(), objects, nullptr).instances,
              referencing);
    EXPECT_EQ(
        CimDocument(run("ri -arc CIM_SystemDevice", system, "", true).response(), objects, nullptr)
            .instances,
        systemDevices);
    CimDocument disks(
        run("ai -ac CIM_SystemDevice -arc CIM_DiskDrive", system, "", true).response(), objects,
        nullptr);
    EXPECT_EQ(disks.instances, inReport("Kalora_RM_DiskDrive").instances);
}

TEST_P(ServeWbemcliTest, ClassesComeFromTheClassTable) {
    std::vector<std::string> all = linesOf(run("ecn", "").out);
    EXPECT_EQ(static_cast<int>(all.size()), ulvar_server::ClassTable::schema().size());
    std::vector<std::string> devices = linesOf(run("ecn", "CIM_LogicalDevice").out);
    EXPECT_EQ(devices.size(), 9u);
    WbemcliRun gc = run("gc", "Kalora_RM_DiskDrive");
    for (const char *property : {"DeviceID", "SystemName", "DiskMake", "TotalCapacity"}) {
        EXPECT_NE(gc.out.find(std::string(property) + "="), std::string::npos) << property;
    }
}

INSTANTIATE_TEST_SUITE_P(SampleHostAndCluster, ServeWbemcliTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "Cluster" : "Host");
                         });

}  // namespace
