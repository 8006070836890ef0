import com.vorn.halvane.mgmt.agent.scanner.plugins.tolvak.SrmUlvar;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;

/**
 * A scanner's road over a folder of record-text batches: create a database, send every batch the
 * folder has (one file per kind, named as below), resolve, and serialize the database to standard
 * output; with {@code --report}, then print the database's report. Usage:
 * {@code ScanDemo [--report] <sample folder>}.
 *
 * <p>Standard output carries the serialized database and, with {@code --report}, after it the
 * report as CIM-XML exactly as {@code print} returns it (lines end in CR LF); the status of every
 * batch, the resolution count and a line that announces the report go to standard error. Exits 0
 * when every batch succeeded and the database (and the report) were written, 1 when something
 * failed, 2 on a usage error.
 */
public final class ScanDemo {
    /** Batch files in the order a scanner sends them: computers first, so errors have a host. */
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

    private ScanDemo() {}

    public static void main(String[] args) throws IOException {
        boolean report = args.length == 2 && args[0].equals("--report");
        if (args.length != 1 && !report) {
            System.err.println("usage: ScanDemo [--report] <sample folder>");
            System.exit(2);
        }
        Path folder = Paths.get(args[args.length - 1]);
        if (!Files.isDirectory(folder)) {
            System.err.println("ScanDemo: not a folder: " + folder);
            System.exit(2);
        }
        long handle = SrmUlvar.create();
        if (handle == 0) {
            System.err.println("ScanDemo: no database (out of memory)");
            System.exit(1);
        }
        boolean ok = true;
        try {
            int sent = 0;
            for (String[] step : ROAD) {
                Path file = folder.resolve(step[0] + ".txt");
                if (!Files.isRegularFile(file)) {
                    continue;
                }
                String batch = new String(Files.readAllBytes(file), StandardCharsets.UTF_8);
                String status = add(step[1], handle, batch);
                System.err.println(step[1] + " " + file.getFileName() + ": " + status);
                ok &= SrmUlvar.OK.equals(status);
                sent++;
            }
            if (sent == 0) {
                System.err.println("ScanDemo: no batch files in " + folder);
                ok = false;
            }
            System.err.println("resolveDatabase: " + SrmUlvar.resolveDatabase(handle)
                    + " state copies");
            // The database goes straight to descriptor 1: whatever Java buffered must be out
            // before it, and nothing may be printed to System.out until it is written.
            System.out.flush();
            int written = SrmUlvar.serialize(handle);
            if (written == 0) {
                System.err.println("serialize: failed");
                ok = false;
            }
            if (report) {
                String text = SrmUlvar.print(handle);
                if (text == null || text.startsWith("ERROR")) {
                    System.err.println("print: " + text);
                    ok = false;
                } else {
                    System.err.println("print: the report as the management station sees it:");
                    System.out.print(text);
                    System.out.flush();
                }
            }
        } finally {
            SrmUlvar.destroy(handle);
        }
        System.exit(ok ? 0 : 1);
    }

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
}
