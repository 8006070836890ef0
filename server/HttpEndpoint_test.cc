#include "server/HttpEndpoint.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "server/testing/HttpClient.h"
#include "server/testing/SampleReports.h"

namespace {

using namespace ulvar_server;
using namespace ulvar_server::testing;

// Many clients at once while the report is swapped under them: every answer
// comes whole from one report or the other, and no report is freed while a
// response from it is still being written (the sanitizer builds watch).
TEST(HttpEndpointTest, AnswersManyClientsWhileTheReportIsSwapped) {
    HttpEndpoint endpoint;
    EndpointSettings settings;
    std::string why;
    ASSERT_TRUE(parseListenAddress("127.0.0.1:0", settings.address, why)) << why;
    settings.threads = 4;
    endpoint.serve(sampleIndex(true));
    ASSERT_TRUE(endpoint.start(settings, why)) << why;

    const std::vector<std::string> requests = {
        cimPost("EnumerateInstances", cimCall("EnumerateInstances",
                                              "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME "
                                              "NAME=\"CIM_ManagedElement\"/></IPARAMVALUE>")),
        cimPost("ReferenceNames",
                cimCall("ReferenceNames",
                        "<IPARAMVALUE NAME=\"ObjectName\"><INSTANCENAME "
                        "CLASSNAME=\"Kalora_RM_VornCluster\"><KEYBINDING NAME=\"Name\"><KEYVALUE>"
                        "4711</KEYVALUE></KEYBINDING><KEYBINDING NAME=\"CreationClassName\">"
                        "<KEYVALUE>Kalora_RM_VornCluster</KEYVALUE></KEYBINDING></INSTANCENAME>"
                        "</IPARAMVALUE>")),
    };
    std::atomic<int> answered{0};
    std::atomic<bool> swapping{true};
    std::vector<std::thread> clients;
    for (int c = 0; c < 8; ++c) {
        clients.emplace_back([&, c] {
            int fd = connectLoopback(endpoint.port());
            for (int i = 0; i < 40 && fd >= 0; ++i) {
                HttpReply reply;
                if (sendAll(fd, requests[(c + i) % requests.size()])) {
                    reply = readReply(fd);
                }
                if (reply.status == 200 && reply.body.find("</CIM>") != std::string::npos) {
                    ++answered;
                }
            }
            if (fd >= 0) {
                close(fd);
            }
        });
    }
    std::thread swapper([&] {
        for (int swaps = 0; swaps < 200 && swapping; ++swaps) {
            endpoint.serve(sampleIndex(swaps % 2 == 0));
        }
    });
    for (std::thread &client : clients) {
        client.join();
    }
    swapping = false;
    swapper.join();
    EXPECT_EQ(answered, 8 * 40);
    endpoint.stop();
}

// A response that fails after its first chunk went out must not read as a
// whole one: a client that takes trailers gets CIMStatusCode 1 in them, any
// other sees the connection cut before the last chunk. The failing object is
// an association the writer cannot write (it has no class name), after
// enough others to fill the first chunk.
TEST(HttpEndpointTest, AFailureAfterTheFirstChunkIsNeverASuccess) {
    using namespace nmspc_cim;
    auto disk = [] {
        CCIMInstance *d = cim_createInstance("Kalora_RM_DiskDrive", "test");
        cim_addProperty(d, cim_createProperty("DeviceID", CIM_STRING, "d", nullptr, cim_true));
        return d;
    };
    CCIMInstance *source = disk();
    CCIMObjectPath *path = cim_createObjectPath(source);
    CCIMList *list = cim_addInstance(cim_createInstanceList(), source);
    const std::string filler(1000, 'x');
    for (int i = 0; i <= 100; ++i) {
        CCIMInstance *link = cim_createInstance("CIM_SystemDevice", "test");
        cim_addProperty(
            link, cim_createProperty("PartComponent", CIM_REFERENCE, nullptr, path, cim_true));
        cim_addProperty(
            link, cim_createProperty("Number", CIM_STRING, (std::to_string(i) + filler).c_str(),
                                     nullptr, cim_true));
        if (i == 100) {
            link->mClassName = nullptr;  // the library's text needs nothing
        }
        list = cim_addInstance(list, link);
    }
    cim_freeObjectPath(path);
    std::string why;
    std::shared_ptr<const ReportIndex> index = ReportIndex::build({list}, &why);
    ASSERT_TRUE(index) << why;

    HttpEndpoint endpoint;
    EndpointSettings settings;
    ASSERT_TRUE(parseListenAddress("127.0.0.1:0", settings.address, why)) << why;
    endpoint.serve(index);
    ASSERT_TRUE(endpoint.start(settings, why)) << why;
    const std::string request =
        cimPost("ReferenceNames",
                cimCall("ReferenceNames",
                        "<IPARAMVALUE NAME=\"ObjectName\"><INSTANCENAME "
                        "CLASSNAME=\"Kalora_RM_DiskDrive\"><KEYBINDING NAME=\"DeviceID\">"
                        "<KEYVALUE>d</KEYVALUE></KEYBINDING></INSTANCENAME></IPARAMVALUE>"),
                "TE: trailers\r\n");
    HttpReply told = ask(endpoint.port(), request);
    EXPECT_EQ(told.status, 200);
    EXPECT_TRUE(told.chunked);
    EXPECT_GT(told.body.size(), 64u * 1024);
    EXPECT_EQ(told.trailers["cimstatuscode"], "1");

    std::string untold = request;
    untold.erase(untold.find("TE: trailers\r\n"), 14);
    EXPECT_EQ(ask(endpoint.port(), untold).status, 0) << "a cut response reads as complete";
    endpoint.stop();
}

}  // namespace
