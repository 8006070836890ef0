// The small readers of the collector, one table each.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "collector/BlockDevices.h"
#include "collector/DeviceProbe.h"
#include "collector/HostFacts.h"
#include "collector/HostRoot.h"
#include "collector/HostScan.h"
#include "collector/HostStorage.h"
#include "collector/NfsExports.h"

namespace collector {

namespace {

TEST(DiskSignatureTest, PartitionTableIdentifierFoldsElseTheIdentityIsHashed) {
    const struct {
        const char *ptUuid;
        const char *diskId;
        long sign;
        bool fromTable;
    } cases[] = {
        {"1a2b3c4d", "sda", 0x1a2b3c4dL, true},  // MBR disk identifier
        {"ffffffff", "sda", 0xffffffffL, true},  // stays positive
        {"6e3a9c1f-2b47-4d58-9a1e-0c7f3b5d2e84", "sda",
         0x6e3a9c1fL ^ 0x2b474d58L ^ 0x9a1e0c7fL ^ 0x3b5d2e84L, true},
        {"6E3A9C1F-2B47-4D58-9A1E-0C7F3B5D2E84", "sda",
         0x6e3a9c1fL ^ 0x2b474d58L ^ 0x9a1e0c7fL ^ 0x3b5d2e84L, true},
        {"", "vda", 2503132418L, false},  // FNV-1a of "vda"
        {"1a2b3c4", "vda", 2503132418L, false},
        {"1a2b3c4g", "vda", 2503132418L, false},
    };
    for (const auto &c : cases) {
        bool fromTable = !c.fromTable;
        EXPECT_EQ(c.sign, diskSignature(c.ptUuid, c.diskId, &fromTable)) << c.ptUuid;
        EXPECT_EQ(c.fromTable, fromTable) << c.ptUuid;
    }
}

TEST(DiskIdentityTest, WwnThenEuiThenSerial) {
    const struct {
        const char *wwid;
        const char *serial;
        const char *id;
    } cases[] = {
        {"naa.5000C500A1B2C301", "Z1", "wwn-0x5000c500a1b2c301"},
        {"eui.0025385b71b0c4d1", "S6", "eui-0025385b71b0c4d1"},
        {"t10.ATA     ST4000NM0035  ZC1A2B3C", " ZC1A/2B 3C ", "serial-ZC1A_2B_3C"},
        {"naa.not-hex", "", ""},
        {"", "", ""},
    };
    for (const auto &c : cases) {
        BlockDevice d;
        d.wwid = c.wwid;
        d.serial = c.serial;
        EXPECT_EQ(c.id, hostStableDiskId(d)) << c.wwid;
    }
}

TEST(LvmNameTest, DoubledDashesBelongToTheNames) {
    const struct {
        const char *dm;
        bool ok;
        const char *vg;
        const char *lv;
    } cases[] = {
        {"vg_data-home", true, "vg_data", "home"}, {"my--vg-lv--1", true, "my-vg", "lv-1"},
        {"vg-lv-real", true, "vg", "lv-real"},     {"novolume", false, "", ""},
        {"only--dashes", false, "", ""},           {"-lv", false, "", ""},
    };
    for (const auto &c : cases) {
        std::string vg;
        std::string lv;
        EXPECT_EQ(c.ok, hostSplitLvmName(c.dm, vg, lv)) << c.dm;
        if (c.ok) {
            EXPECT_EQ(c.vg, vg) << c.dm;
            EXPECT_EQ(c.lv, lv) << c.dm;
        }
    }
}

TEST(TransportTest, PlaceInTheDeviceTreeGivesTheDiskType) {
    const struct {
        const char *link;
        int diskType;
    } cases[] = {
        {"../devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda", 5},
        {"../devices/pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0/nvme0n1", 6},
        {"../devices/pci0000:00/0000:00:02.0/virtio1/block/vda", 6},
        {"../devices/pci0000:00/0000:00:03.0/virtio2/host0/target0:0:0/0:0:0:0/block/sda", 2},
        {"../devices/pci0000:00/0000:00:1f.2/host3/rport-3:0-0/target3:0:0/3:0:0:0/block/sdc", 3},
        {"../devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdd",
         6},
        {"../devices/platform/unknown/block/xyz", 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.diskType, blockDiskType(blockTransportOf(c.link))) << c.link;
    }
}

TEST(NfsExportsTest, SyntaxOfExportsFiles) {
    std::string warnings;
    std::vector<NfsExport> e = nfsParseExports(
        "# comment\n"
        "/srv/a  host1(rw)   \\\n"
        "        host2(ro) # trailing comment\n"
        "\"/srv/with space\" *(ro)\n"
        "/srv/odd\\040name\t*(rw)\n"
        "/srv/a host3(rw)\n"
        "relative *(rw)\n"
        "/srv/bare\n",
        "exports", [&](const std::string &w) { warnings += w + "\n"; });
    ASSERT_EQ(4u, e.size());
    EXPECT_EQ("/srv/a", e[0].path);
    EXPECT_EQ("host1(rw) host2(ro) host3(rw)", e[0].clients);
    EXPECT_EQ("/srv/with space", e[1].path);
    EXPECT_EQ("*(ro)", e[1].clients);
    EXPECT_EQ("/srv/odd name", e[2].path);
    EXPECT_EQ("/srv/bare", e[3].path);
    EXPECT_EQ("", e[3].clients);
    EXPECT_EQ("exports:7: export path \"relative\" is not absolute; skipped\n", warnings);
}

TEST(OsReleaseTest, QuotedAndBareValues) {
    const std::string text =
        "NAME=Debian\n"
        "PRETTY_NAME=\"Debian GNU/Linux 12 \\\"bookworm\\\"\"\n"
        "VERSION='12'\n"
        "VERSION_ID=\n";
    EXPECT_EQ("Debian", hostOsReleaseValue(text, "NAME"));
    EXPECT_EQ("Debian GNU/Linux 12 \"bookworm\"", hostOsReleaseValue(text, "PRETTY_NAME"));
    EXPECT_EQ("12", hostOsReleaseValue(text, "VERSION"));
    EXPECT_EQ("", hostOsReleaseValue(text, "VERSION_ID"));
    EXPECT_EQ("", hostOsReleaseValue(text, "ID"));
}

}  // namespace

namespace {

TEST(HostRootTest, OnlyTheSystemRootIsLive) {
    const struct {
        const char *dir;
        bool live;
    } cases[] = {
        {"", true}, {"/", true}, {"//", true}, {"/tmp/..", true}, {COLLECTOR_TESTDATA, false}};
    for (const auto &c : cases) {
        EXPECT_EQ(c.live, HostRoot(c.dir).live()) << c.dir;
    }
    EXPECT_EQ(std::string(COLLECTOR_TESTDATA) + "/sys/block",
              HostRoot(std::string(COLLECTOR_TESTDATA) + "/").path("/sys/block"));
}

TEST(HostRootTest, NumbersArePlainUnsignedDecimalsThatFit) {
    const struct {
        const char *text;
        bool ok;
        unsigned long long value;
    } cases[] = {
        {"0", true, 0},
        {"18446744073709551615", true, 18446744073709551615ULL},
        {"18446744073709551616", false, 0},
        {"-1", false, 0},
        {"12a", false, 0},
        {" 12", false, 0},
        {"", false, 0},
    };
    for (const auto &c : cases) {
        unsigned long long value = 7;
        EXPECT_EQ(c.ok, hostParseNumber(c.text, value)) << c.text;
        EXPECT_EQ(c.ok ? c.value : 7, value) << c.text;
    }
}

TEST(HostBatchFilesTest, EveryBatchIsWrittenUnderItsNameOrTheWriteFails) {
    HostBatches batches;
    for (int k = 0; k < kHostBatchKindCount; ++k) {
        batches.text[k] = k % 2 == 0 ? "\"Type=Id\",\"Id=" + std::to_string(k) + "\",;\n" : "";
    }
    char dir[] = "/tmp/collector-batches-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    ASSERT_TRUE(writeHostBatches(batches, dir, nullptr));
    for (int k = 0; k < kHostBatchKindCount; ++k) {
        std::string path = std::string(dir) + "/" + hostBatch(static_cast<HostBatchKind>(k)).file;
        HostRoot root("/");
        std::string text;
        EXPECT_TRUE(root.readFile(path, text)) << path;
        EXPECT_EQ(batches.text[k], text) << path;
        unlink(path.c_str());
    }
    rmdir(dir);

    std::string warnings;
    EXPECT_FALSE(writeHostBatches(batches, std::string(dir) + "/missing",
                                  [&](const std::string &w) { warnings += w; }));
    EXPECT_NE(std::string::npos, warnings.find("computer.txt: cannot be written")) << warnings;
}

}  // namespace

}  // namespace collector
