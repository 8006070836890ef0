// `ulvar serve` with TLS and HTTP Basic authentication, what it refuses to
// start with, and its reloads.
#include <crypt.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "server/testing/HttpClient.h"
#include "server/testing/SampleReports.h"
#include "server/testing/ServeProcess.h"

namespace {

using namespace ulvar_server::testing;

// A folder of the test's own, removed with everything in it.
class Scratch {
  public:
    Scratch() {
        char name[] = "/tmp/ulvar-serve-test-XXXXXX";
        path = mkdtemp(name);
    }
    ~Scratch() { system(("rm -rf '" + path + "'").c_str()); }
    std::string file(const std::string &name) const { return path + "/" + name; }
    void write(const std::string &name, const std::string &text) const {
        std::ofstream(file(name) + ".part", std::ios::binary) << text;
        rename((file(name) + ".part").c_str(), file(name).c_str());
    }
    std::string path;
};

// A salted crypt(3) hash of `password` with the method `prefix` names.
std::string hashOf(const char *password, const char *prefix) {
    crypt_data data{};
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    if (crypt_gensalt_rn(prefix, 0, nullptr, 0, salt, sizeof salt) == nullptr) {
        return "";
    }
    const char *hash = crypt_rn(password, salt, &data, sizeof data);
    return hash != nullptr ? hash : "";
}

const std::string kGetClass =
    cimCall("GetClass",
            "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"CIM_System\"/>"
            "</IPARAMVALUE>");

class ServeSecurityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch.write("users", "# who may ask\nalice:" + hashOf("right", "$y$") +
                                   "\n\nbob:" + hashOf("b0b", "$6$") + "\n");
    }

    std::string authorization(const std::string &userAndPassword) {
        static const char digits[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        for (std::size_t i = 0; i < userAndPassword.size(); i += 3) {
            unsigned n = static_cast<unsigned char>(userAndPassword[i]) << 16;
            std::size_t left = userAndPassword.size() - i;
            n |= left > 1 ? static_cast<unsigned char>(userAndPassword[i + 1]) << 8 : 0;
            n |= left > 2 ? static_cast<unsigned char>(userAndPassword[i + 2]) : 0;
            out += digits[(n >> 18) & 63];
            out += digits[(n >> 12) & 63];
            out += left > 1 ? digits[(n >> 6) & 63] : '=';
            out += left > 2 ? digits[n & 63] : '=';
        }
        return "Authorization: Basic " + out + "\r\n";
    }

    Scratch scratch;
};

TEST_F(ServeSecurityTest, BasicAuthenticationLetsInOnlyTheRightPassword) {
    ServeProcess server({"--users", scratch.file("users"), sampleDatabase(false)});
    ASSERT_TRUE(server.listening()) << server.errors();
    const struct {
        std::string credentials;
        int status;
    } cases[] = {
        {"", 401},          {"alice:right", 200}, {"alice:wrong", 401}, {"bob:b0b", 200},
        {"bob:right", 401}, {"carol:right", 401}, {"alice:", 401},      {"alice", 401},
    };
    for (const auto &c : cases) {
        std::string more = c.credentials.empty() ? "" : authorization(c.credentials);
        HttpReply reply = ask(server.port, cimPost("GetClass", kGetClass, more));
        EXPECT_EQ(reply.status, c.status) << c.credentials;
        if (c.status == 401) {
            EXPECT_EQ(reply.header("www-authenticate").rfind("Basic", 0), 0u) << c.credentials;
        }
    }
    EXPECT_EQ(server.stop(), 0) << server.errors();
}

TEST_F(ServeSecurityTest, WbemcliAsksOverHttpsWithAPassword) {
    SKIP_WITHOUT_WBEMCLI();
    std::ofstream(scratch.file("template"))
        << "cn = \"127.0.0.1\"\nip_address = \"127.0.0.1\"\nexpiration_days = 2\n"
           "ca\ncert_signing_key\nsigning_key\ntls_www_server\n";
    const std::string key = scratch.file("key.pem"), cert = scratch.file("cert.pem");
    ASSERT_EQ(system(("certtool --generate-privkey --key-type=ecdsa --outfile " + key +
                      " >/dev/null 2>&1 && certtool --generate-self-signed --load-privkey " + key +
                      " --template " + scratch.file("template") + " --outfile " + cert +
                      " >/dev/null 2>&1")
                         .c_str()),
              0)
        << "certtool (gnutls-bin) made no certificate";
    ServeProcess server(
        {"--https", cert, key, "--users", scratch.file("users"), sampleDatabase(false)});
    ASSERT_TRUE(server.listening()) << server.errors();
    ASSERT_EQ(server.url.rfind("https://", 0), 0u);
    const std::string at =
        "127.0.0.1:" + std::to_string(server.port) + "/root/cimv2:Kalora_RM_DiskDrive'";
    WbemcliRun verified = wbemcli("-cacert " + cert + " ei 'https://alice:right@" + at);
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_EQ(std::count(verified.out.begin(), verified.out.end(), '\n'), 3);
    EXPECT_EQ(wbemcli("-noverify ein 'https://bob:b0b@" + at).status, 0);
    WbemcliRun wrong = wbemcli("-noverify ei 'https://alice:wrong@" + at);
    EXPECT_NE(wrong.status, 0);
    EXPECT_EQ(wrong.out, "");
    EXPECT_NE(wbemcli("-noverify ei 'https://" + at).status, 0);
    // Plain HTTP to the TLS port gets no CIM answer.
    EXPECT_NE(ask(server.port, cimPost("GetClass", kGetClass), 3000).status, 200);
    EXPECT_EQ(server.stop(), 0) << server.errors();
}

TEST_F(ServeSecurityTest, WhatCannotStartSaysWhyAndExits) {
    scratch.write("md5-users", "alice:" + hashOf("right", "$y$") + "\nbob:$1$salt$hash\n");
    const struct {
        const char *what;
        std::vector<std::string> args;
        int status;
        const char *says;
    } cases[] = {
        {"a listen address other machines reach, without TLS and users",
         {"--listen", "0.0.0.0:0", sampleDatabase(false)},
         64,
         "--listen 0.0.0.0:0"},
        {"the same with users only",
         {"--listen", "[::]:0", "--users", scratch.file("users"), sampleDatabase(false)},
         64,
         "--https CERT KEY"},
        {"a users file with a weak hash",
         {"--listen", "127.0.0.1:0", "--users", scratch.file("md5-users"), sampleDatabase(false)},
         2,
         "md5-users:2: the hash of bob"},
        {"no such database",
         {"--listen", "127.0.0.1:0", scratch.file("none.srdb")},
         2,
         "none.srdb"},
        {"a host database as a cluster",
         {"--listen", "127.0.0.1:0", "--cluster", sampleDatabase(false)},
         2,
         "conversion failed"},
    };
    for (const auto &c : cases) {
        ServeProcess server(c.args, false);
        EXPECT_FALSE(server.listening()) << c.what;
        EXPECT_EQ(server.stop(), c.status) << c.what;
        EXPECT_NE(server.errors().find(c.says), std::string::npos) << c.what << server.errors();
    }
}

// The served report follows its file: a change is picked up within seconds,
// a file that does not load keeps the report that was served, SIGHUP loads
// again at once.
TEST_F(ServeSecurityTest, ReloadsAChangedFileAndKeepsTheReportWhenALoadFails) {
    const std::string original = fileText(sampleDatabase(false));
    std::string changed = original;
    for (std::size_t at; (at = changed.find("SEAGATE")) != std::string::npos;) {
        changed.replace(at, 7, "NORDVIK");
    }
    scratch.write("host.srdb", original);
    ServeProcess server({scratch.file("host.srdb")});
    ASSERT_TRUE(server.listening()) << server.errors();
    const std::string enumerate =
        cimPost("EnumerateInstances", cimCall("EnumerateInstances",
                                              "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME "
                                              "NAME=\"Kalora_RM_DiskDrive\"/></IPARAMVALUE>"));
    auto makers = [&] {
        std::string body = ask(server.port, enumerate).body;
        return std::to_string(body.find("SEAGATE") != std::string::npos) +
               std::to_string(body.find("NORDVIK") != std::string::npos);
    };
    // Until `expected` is served, at most 10 s.
    auto awaits = [&](const std::string &expected) {
        for (int i = 0; i < 100 && makers() != expected; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return makers() == expected;
    };
    EXPECT_EQ(makers(), "10");
    scratch.write("host.srdb", changed);
    EXPECT_TRUE(awaits("01"));
    scratch.write("host.srdb", "\"Type=Nonsense\",;\n");
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_EQ(makers(), "01");
    EXPECT_NE(server.errors().find("still serving"), std::string::npos) << server.errors();

    // Back as it was, and SIGHUP.
    std::ofstream(scratch.file("host.srdb"), std::ios::binary) << original;
    server.signal(SIGHUP);
    EXPECT_TRUE(awaits("10"));
    EXPECT_EQ(server.stop(), 0) << server.errors();
}

}  // namespace
