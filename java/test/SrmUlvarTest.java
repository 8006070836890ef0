import com.vorn.halvane.mgmt.agent.scanner.plugins.tolvak.SrmUlvar;

import java.io.ByteArrayOutputStream;
import java.io.DataOutputStream;
import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Map;

/**
 * Drives the natives in a real JVM. Usage: {@code SrmUlvarTest <examples folder>}. Exits 0 when
 * every check passed, 1 otherwise. Checks that need the process's standard output (serialize)
 * run in child JVMs started with the same class path and library path.
 */
public final class SrmUlvarTest {
    /** The sample batches in the order a scanner sends them: file name, method. */
    static final String[][] ROAD = {
        {"computer", "addComputer"},
        {"volumemanagerinfo", "addVolumeManagerInfo"},
        {"disk", "addDisk"},
        {"diskchunk", "addDiskChunk"},
        {"volume", "addVolume"},
        {"volumegroup", "addVolumeGroup"},
        {"filesystem", "addFileSystem"},
        {"mountpoint", "addMountpoint"},
        {"share", "addShare"},
        {"alias", "addAlias"},
    };

    /** Exit code of a child that cannot do its part here; the check is then skipped. */
    static final int SKIP = 77;

    /** A disk name with two-byte, three-byte and supplementary characters. */
    static final String NON_ASCII = "Platte \u00e4\u20ac \ud834\udd1e";

    static int failures = 0;

    public static void main(String[] args) throws Exception {
        if (args.length == 0) {
            System.err.println("usage: SrmUlvarTest <examples folder>");
            System.exit(2);
        }
        switch (args[0]) {
            case "--child-batches":
                childBatches(Arrays.copyOfRange(args, 1, args.length));
                return;
            default:
                break;
        }
        Path examples = Paths.get(args[0]);
        handles();
        sampleHostBatches(examples.resolve("host"));
        emptyBatches();
        nullBatch();
        noFileWhenNoDirectoryIsUsable();
        serializedOutputs(examples.resolve("host"));
        printedReport(examples);
        System.out.println(failures == 0 ? "all checks passed" : failures + " check(s) failed");
        System.exit(failures == 0 ? 0 : 1);
    }

    // ---- checks ----

    static void check(boolean ok, String what) {
        System.out.println((ok ? "ok    " : "FAIL  ") + what);
        if (!ok) {
            failures++;
        }
    }

    static void checkEquals(Object want, Object got, String what) {
        boolean ok = want == null ? got == null : want.equals(got);
        check(ok, what + (ok ? "" : ": want <" + want + "> got <" + got + ">"));
    }

    static void skip(String what, String why) {
        System.out.println("skip  " + what + ": " + why);
    }

    static void handles() {
        long h = SrmUlvar.create();
        check(h != 0, "create gives a non-zero handle");
        SrmUlvar.destroy(h);
        SrmUlvar.destroy(0);
        check(true, "destroy of 0 does nothing");
    }

    /** State copies resolveDatabase makes over the sample host (see examples/host.expected). */
    static final int SAMPLE_HOST_STATE_COPIES = 22;

    static void sampleHostBatches(Path host) throws IOException {
        long h = SrmUlvar.create();
        try {
            for (String[] step : ROAD) {
                checkEquals(SrmUlvar.OK, add(step[1], h, read(host, step[0])),
                        step[1] + " loads " + step[0] + ".txt");
            }
            checkEquals(SAMPLE_HOST_STATE_COPIES, SrmUlvar.resolveDatabase(h),
                    "resolveDatabase counts the state copies over the sample host");
        } finally {
            SrmUlvar.destroy(h);
        }
        long empty = SrmUlvar.create();
        try {
            checkEquals(0, SrmUlvar.resolveDatabase(empty), "an empty database resolves with 0");
        } finally {
            SrmUlvar.destroy(empty);
        }
    }

    static void emptyBatches() {
        long h = SrmUlvar.create();
        try {
            for (String[] step : ROAD) {
                checkEquals(SrmUlvar.OK, add(step[1], h, ""), step[1] + " takes an empty batch");
            }
        } finally {
            SrmUlvar.destroy(h);
        }
    }

    static void nullBatch() {
        long h = SrmUlvar.create();
        try {
            checkEquals(SrmUlvar.NO_MEMORY, SrmUlvar.addDisk(h, null),
                    "a null batch has no characters to take");
        } finally {
            SrmUlvar.destroy(h);
        }
    }

    /**
     * With $TMPDIR missing and the batch directory, /var/tmp and /tmp read-only (in a private
     * mount namespace of a child JVM), no batch file can be made.
     */
    static void noFileWhenNoDirectoryIsUsable() throws Exception {
        String what = "no usable temporary directory gives \"" + SrmUlvar.NO_FILE + "\"";
        List<String> namespace = mountNamespace();
        if (namespace == null) {
            skip(what, "no private mount namespace (needs root or user namespaces, and unshare)");
            return;
        }
        String script = "for d in /var/opt/VRNWkit/omxom/tmpdir /var/tmp /tmp; do"
                + " if [ -d \"$d\" ]; then"
                + " mount --bind \"$d\" \"$d\" && mount -o remount,bind,ro \"$d\" || exit " + SKIP
                + "; fi; done; exec \"$@\"";
        List<String> command = new ArrayList<>(namespace);
        command.addAll(Arrays.asList("sh", "-c", script, "sh"));
        command.addAll(childJvm("--child-batches", "addComputer=" + hostRecord(),
                "addDisk=" + diskRecord("d1", "sda")));
        Child child = run(command, Map.of("TMPDIR", "/nonexistent/srm-tmpdir"));
        if (child.code == SKIP) {
            skip(what, "the child could not make the directories read-only");
            return;
        }
        String[] lines = child.out.split("\n", -1);
        checkEquals(SrmUlvar.NO_FILE, lines.length > 1 ? lines[1] : child.out + child.err, what);
        // The computer batch finds no file either, so the database stays empty (the fake-JNI
        // test covers a database that has its host when the directories go).
        checkEquals("statuses\n" + SrmUlvar.NO_FILE + "\n" + EMPTY_HEADER, child.out,
                "nothing is recorded without a batch file");
    }

    /**
     * What serialize writes to standard output: the whole road over the sample host as the demo
     * program runs it (create, every batch, resolve, serialize), and single batches.
     */
    static void serializedOutputs(Path host) throws Exception {
        List<String> demo = childJvm(host.toString());
        demo.set(demo.indexOf("SrmUlvarTest"), "ScanDemo");
        Child road = run(demo, Map.of());
        checkEquals(0, road.code, "the road over the sample host ends cleanly");
        Path expected = host.resolveSibling("host.expected");
        check(Files.exists(expected) && Arrays.equals(Files.readAllBytes(expected), road.bytes),
                "serialize writes the sample host byte for byte as " + expected.getFileName());

        Child merged = run(childJvm("--child-batches",
                "addDisk=" + diskRecord("d1", "sda") + "\"Type=Disk\",\"Id=d1\",\"Make=ACME\",;\n"),
                Map.of());
        checkEquals(1, count(merged.out, "\"Type=Disk\""), "two disks with one Id merge into one");
        check(merged.out.contains("\"Name=sda\"") && merged.out.contains("\"Make=ACME\""),
                "the merged disk keeps what both records said");

        Child replaced = run(childJvm("--child-batches", "addVolumeManagerInfo="
                + "\"Type=VolumeManager\",\"Id=vm\",\"VolumeMgrName=old\",;\n"
                + "\"Type=VolumeManager\",\"Id=vm\",\"VolumeMgrName=new\",;\n"), Map.of());
        checkEquals(1, count(replaced.out, "\"Type=VolumeManager\""),
                "two volume managers with one Id leave one");
        check(replaced.out.contains("\"VolumeMgrName=new\"") && !replaced.out.contains("=old\""),
                "the later volume manager replaces the earlier");

        Child text = run(childJvm("--child-batches", "addDisk=" + diskRecord("d1", NON_ASCII)),
                Map.of());
        byte[] name = modifiedUtf8("\"Name=" + NON_ASCII + "\"");
        check(indexOf(text.bytes, name) >= 0, "non-ASCII text reaches the output as modified UTF-8");

        Child empty = run(childJvm("--child-batches"), Map.of());
        checkEquals("statuses\n" + EMPTY_HEADER, empty.out,
                "an empty database serializes as the header alone, after what Java printed");
    }

    /**
     * What print returns for the sample host after resolve: the checked-in report, whose host
     * elements hold a placeholder for the name of the machine that writes the references.
     */
    static void printedReport(Path examples) throws Exception {
        String expected;
        long h = SrmUlvar.create();
        try {
            for (String[] step : ROAD) {
                add(step[1], h, read(examples.resolve("host"), step[0]));
            }
            SrmUlvar.resolveDatabase(h);
            expected = new String(Files.readAllBytes(examples.resolve("host.report.xml")),
                    StandardCharsets.UTF_8).replace("<HOST>@HOST@</HOST>",
                    "<HOST>" + hostName() + "</HOST>");
            check(expected.equals(SrmUlvar.print(h)),
                    "print gives the sample host's report byte for byte as host.report.xml");
        } finally {
            SrmUlvar.destroy(h);
        }
        checkEquals("ERROR 2", SrmUlvar.print(0), "print of a zero handle has no report");

        // The main job (scripts/demo): the database, then the report.
        List<String> demo = childJvm("--report", examples.resolve("host").toString());
        demo.set(demo.indexOf("SrmUlvarTest"), "ScanDemo");
        Child road = run(demo, Map.of());
        checkEquals(0, road.code, "the demo road with its report ends cleanly");
        String database = new String(Files.readAllBytes(examples.resolve("host.expected")),
                StandardCharsets.UTF_8);
        check(road.out.equals(database + expected),
                "the demo prints the database, then the report");
    }

    /** This machine's name as gethostname(2) gives it (no resolver involved). */
    static String hostName() throws IOException {
        return new String(Files.readAllBytes(Paths.get("/proc/sys/kernel/hostname")),
                StandardCharsets.UTF_8).trim();
    }

    static final String EMPTY_HEADER = "\"SrmResourceDbVersion=1.0\",\"ResourceCount=0\","
            + "\"ClusterAlias=\",\"ClusterId=\",\"ClusterName=\",\"ClusterVersion=\","
            + "\"MemberCount=0\",\"SGCount=0\",;\n";

    // ---- children ----

    /**
     * Runs batches given as method=text, printing one status line each after a first line
     * "statuses", then serializes; exits 1 when serialize fails.
     */
    static void childBatches(String[] batches) {
        long h = SrmUlvar.create();
        System.out.println("statuses");
        for (String b : batches) {
            int eq = b.indexOf('=');
            String status = add(b.substring(0, eq), h, b.substring(eq + 1));
            if (!b.startsWith("addComputer=")) {
                System.out.println(status);
            }
        }
        // serialize writes to descriptor 1 directly: what Java holds must go first.
        System.out.flush();
        int written = SrmUlvar.serialize(h);
        SrmUlvar.destroy(h);
        System.exit(written == 1 ? 0 : 1);
    }

    // ---- helpers ----

    static String add(String method, long h, String batch) {
        switch (method) {
            case "addAlias": return SrmUlvar.addAlias(h, batch);
            case "addComputer": return SrmUlvar.addComputer(h, batch);
            case "addDisk": return SrmUlvar.addDisk(h, batch);
            case "addDiskChunk": return SrmUlvar.addDiskChunk(h, batch);
            case "addFileSystem": return SrmUlvar.addFileSystem(h, batch);
            case "addMountpoint": return SrmUlvar.addMountpoint(h, batch);
            case "addShare": return SrmUlvar.addShare(h, batch);
            case "addVolume": return SrmUlvar.addVolume(h, batch);
            case "addVolumeGroup": return SrmUlvar.addVolumeGroup(h, batch);
            case "addVolumeManagerInfo": return SrmUlvar.addVolumeManagerInfo(h, batch);
            default: throw new IllegalArgumentException(method);
        }
    }

    static String read(Path dir, String name) throws IOException {
        return new String(Files.readAllBytes(dir.resolve(name + ".txt")), StandardCharsets.UTF_8);
    }

    static String hostRecord() {
        return "\"Type=System\",\"Id=testhost\",\"HostName=testhost\",;\n";
    }

    static String diskRecord(String id, String name) {
        return "\"Type=Disk\",\"Id=" + id + "\",\"Name=" + name + "\",;\n";
    }

    static int count(String text, String what) {
        int n = 0;
        for (int at = text.indexOf(what); at >= 0; at = text.indexOf(what, at + 1)) {
            n++;
        }
        return n;
    }

    /** The JVM's own encoding of `s`: modified UTF-8, as DataOutput writes it. */
    static byte[] modifiedUtf8(String s) throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        new DataOutputStream(bytes).writeUTF(s);
        byte[] all = bytes.toByteArray();
        return Arrays.copyOfRange(all, 2, all.length);
    }

    static int indexOf(byte[] hay, byte[] needle) {
        outer:
        for (int i = 0; i + needle.length <= hay.length; i++) {
            for (int j = 0; j < needle.length; j++) {
                if (hay[i + j] != needle[j]) {
                    continue outer;
                }
            }
            return i;
        }
        return -1;
    }

    /** A command prefix that runs the rest in a private mount namespace, or null. */
    static List<String> mountNamespace() throws Exception {
        for (List<String> prefix : List.of(
                List.of("unshare", "-m", "--propagation", "private"),
                List.of("unshare", "-U", "-r", "-m", "--propagation", "private"))) {
            List<String> probe = new ArrayList<>(prefix);
            probe.add("true");
            try {
                if (run(probe, Map.of()).code == 0) {
                    return prefix;
                }
            } catch (IOException e) {
                return null;  // no unshare at all
            }
        }
        return null;
    }

    static List<String> childJvm(String... args) {
        String java = Paths.get(System.getProperty("java.home"), "bin", "java").toString();
        List<String> command = new ArrayList<>(List.of(java, "-XX:-UsePerfData",
                "-Djava.library.path=" + System.getProperty("java.library.path"),
                "-cp", System.getProperty("java.class.path"), "SrmUlvarTest"));
        command.addAll(Arrays.asList(args));
        return command;
    }

    static final class Child {
        int code;
        byte[] bytes;
        String out;
        String err;
    }

    static Child run(List<String> command, Map<String, String> env) throws Exception {
        ProcessBuilder pb = new ProcessBuilder(command);
        pb.environment().putAll(env);
        File errFile = File.createTempFile("srmulvar", ".err");
        errFile.deleteOnExit();
        pb.redirectError(errFile);
        Process p = pb.start();
        p.getOutputStream().close();
        Child c = new Child();
        c.bytes = p.getInputStream().readAllBytes();
        c.code = p.waitFor();
        c.out = new String(c.bytes, StandardCharsets.UTF_8);
        c.err = new String(Files.readAllBytes(errFile.toPath()), StandardCharsets.UTF_8);
        if (!c.err.isEmpty()) {
            System.out.print("      (child stderr) " + c.err);
        }
        return c;
    }
}
