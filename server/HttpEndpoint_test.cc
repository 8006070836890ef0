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

}  // namespace
