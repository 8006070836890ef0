// `ulvar serve` under requests no good client sends: each is answered or cut
// with the status DSP0200 names, and the next request is served. Under the
// sanitizer build the server must also stop without a leak.
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "server/testing/HttpClient.h"
#include "server/testing/SampleReports.h"
#include "server/testing/ServeProcess.h"

namespace {

using namespace ulvar_server::testing;

const std::string kGetClass =
    cimCall("GetClass",
            "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"CIM_System\"/>"
            "</IPARAMVALUE>");

class ServeHostileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server.reset(new ServeProcess({"--timeout", "2", "--cluster", sampleDatabase(true)}));
        ASSERT_TRUE(server->listening()) << server->errors();
    }

    void TearDown() override { EXPECT_EQ(server->stop(), 0) << server->errors(); }

    // A good request still gets its answer.
    void expectServed() {
        HttpReply reply = ask(server->port, cimPost("GetClass", kGetClass));
        EXPECT_EQ(reply.status, 200);
        EXPECT_NE(reply.body.find("<CLASS NAME=\"CIM_System\""), std::string::npos);
    }

    std::unique_ptr<ServeProcess> server;
};

TEST_F(ServeHostileTest, EachBadRequestGetsItsStatusAndTheNextIsServed) {
    const std::string post = "POST /cimom HTTP/1.1\r\nHost: x\r\nContent-Length: ";
    const struct {
        const char *what;
        std::string request;
        int status;
        const char *cimError;  // "" for none
        const char *body;      // found in the body; "" for anything
    } cases[] = {
        {"not well-formed", cimPost("GetClass", "<CIM><MESSAGE ID=\"1\">&<c"), 400,
         "request-not-well-formed", ""},
        {"not a CIM request", cimPost("GetClass", "<CIM/>"), 400, "request-not-valid", ""},
        {"a DOCTYPE",
         cimPost("GetClass",
                 "<!DOCTYPE CIM [<!ENTITY a \"b\">]>" + kGetClass.substr(kGetClass.find("<CIM"))),
         400, "request-not-valid", ""},
        {"a body in another namespace than its header",
         cimPost("GetClass", cimCall("GetClass", "", "root/other")), 400, "header-mismatch", ""},
        {"an unknown operation", cimPost("Frobnicate", cimCall("Frobnicate", "")), 200, "",
         "<ERROR CODE=\"7\""},
        {"headers that disagree", cimPost("GetInstance", kGetClass), 400, "header-mismatch", ""},
        {"no CIMOperation", post + std::to_string(kGetClass.size()) + "\r\n\r\n" + kGetClass, 400,
         "unsupported-operation", ""},
        {"several requests",
         cimPost("GetClass", "<CIM><MESSAGE ID=\"1\"><MULTIREQ/></MESSAGE></CIM>"), 501,
         "multiple-requests-unsupported", ""},
        {"M-POST",
         "M-POST /cimom HTTP/1.1\r\nHost: x\r\nMan: http://www.dmtf.org/cim/mapping.http/v1.0"
         " ; ns=73\r\nContent-Length: 0\r\n\r\n",
         501, "", ""},
        {"GET", "GET / HTTP/1.1\r\nHost: x\r\n\r\n", 405, "", ""},
        {"a body over the limit", post + "10485760\r\nCIMOperation: MethodCall\r\n\r\n<CIM>", 413,
         "", ""},
    };
    for (const auto &c : cases) {
        HttpReply reply = ask(server->port, c.request);
        EXPECT_EQ(reply.status, c.status) << c.what;
        EXPECT_EQ(reply.header("cimerror"), c.cimError) << c.what;
        EXPECT_NE(reply.body.find(c.body), std::string::npos) << c.what;
        expectServed();
    }
}

TEST_F(ServeHostileTest, AWrongNamespaceIsCimErrorThree) {
    std::string request =
        cimPost("EnumerateClassNames", cimCall("EnumerateClassNames", "", "root/other"));
    // The header names the namespace the body names.
    request.replace(request.find("root%2Fcimv2"), 12, "root%2Fother");
    HttpReply reply = ask(server->port, request);
    EXPECT_EQ(reply.status, 200);
    EXPECT_NE(reply.body.find("<ERROR CODE=\"3\""), std::string::npos) << reply.body;
}

// Ten megabytes sent as chunks, without a length to refuse up front: read,
// dropped, refused.
TEST_F(ServeHostileTest, ATenMegabyteChunkedBodyIsRefused) {
    int fd = connectLoopback(server->port);
    ASSERT_GE(fd, 0);
    std::string head =
        "POST /cimom HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
        "CIMOperation: MethodCall\r\nCIMMethod: GetClass\r\nCIMObject: root%2Fcimv2\r\n\r\n";
    ASSERT_TRUE(sendAll(fd, head));
    const std::string chunk = "100000\r\n" + std::string(0x100000, 'x') + "\r\n";
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(sendAll(fd, chunk)) << i;
    }
    ASSERT_TRUE(sendAll(fd, "0\r\n\r\n"));
    EXPECT_EQ(readReply(fd).status, 413);
    close(fd);
    expectServed();
}

// One byte a second does not hold up anybody else, and the request is
// answered once whole; a connection that stays silent is closed.
TEST_F(ServeHostileTest, SlowClientsNeitherBlockOthersNorHoldTheirConnection) {
    const std::string request = cimPost("GetClass", kGetClass);
    int slow = connectLoopback(server->port);
    int silent = connectLoopback(server->port);
    ASSERT_GE(slow, 0);
    ASSERT_GE(silent, 0);
    ASSERT_TRUE(sendAll(silent, "P"));
    for (int second = 0; second < 5; ++second) {
        ASSERT_TRUE(sendAll(slow, request.substr(second, 1)));
        auto begun = std::chrono::steady_clock::now();
        expectServed();
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(2));
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    ASSERT_TRUE(sendAll(slow, request.substr(5)));
    EXPECT_EQ(readReply(slow).status, 200);
    // The idle timeout is 2 s: the silent one is gone by now.
    pollfd p = {silent, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    char byte;
    EXPECT_EQ(recv(silent, &byte, 1, 0), 0);
    close(slow);
    close(silent);
}

TEST_F(ServeHostileTest, TwoHundredConnectionsAtOnceAreAllAnswered) {
    const std::string request = cimPost("GetClass", kGetClass);
    std::vector<int> connections;
    for (int i = 0; i < 200; ++i) {
        int fd = connectLoopback(server->port);
        ASSERT_GE(fd, 0) << i;
        connections.push_back(fd);
    }
    for (int fd : connections) {
        ASSERT_TRUE(sendAll(fd, request));
    }
    int answered = 0;
    for (int fd : connections) {
        answered += readReply(fd).status == 200;
        close(fd);
    }
    EXPECT_EQ(answered, 200);
    expectServed();
}

}  // namespace
