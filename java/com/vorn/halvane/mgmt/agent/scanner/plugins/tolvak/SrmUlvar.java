package com.vorn.halvane.mgmt.agent.scanner.plugins.tolvak;

/**
 * The scanner's native resource database, held as an opaque handle.
 *
 * <p>A scan calls {@link #create} once, then any number of {@code add...} batches in any order
 * (computers first, so that error records can be filed under the host's name), then typically
 * {@link #resolveDatabase}, {@link #print} or {@link #serialize}, and finally {@link #destroy}.
 * A handle must not be used after {@code destroy}, and calls on one handle must not overlap;
 * different handles may be used from different threads.
 *
 * <p>A batch is record text: one record per line, each ending in {@code ;} and a line feed. Every
 * {@code add...} method merges each record into the resource the database already holds under
 * the same identity, or adds it, and returns one of the status strings below. Records that do
 * not parse are skipped silently.
 */
public final class SrmUlvar {
    /** The batch was read to its end. */
    public static final String OK = "The operation succeeded.";
    /** The batch text could not be obtained, or memory ran out in the middle of the batch. */
    public static final String NO_MEMORY = "Memory allocation error";
    /** No temporary file could be made for the batch. */
    public static final String NO_FILE = "The file could not be opened.";
    /** The batch file could not be attached to the database; an error record says so. */
    public static final String NO_STREAM = "Failed to attach collection stream";

    static {
        System.loadLibrary("ulvar");
    }

    private SrmUlvar() {}

    /** A new, empty database; 0 when memory ran out. */
    public static native long create();

    /** Deletes the database with everything it holds; a handle of 0 is ignored. */
    public static native void destroy(long handle);

    public static native String addAlias(long handle, String batch);

    public static native String addComputer(long handle, String batch);

    public static native String addDisk(long handle, String batch);

    public static native String addDiskChunk(long handle, String batch);

    public static native String addFileSystem(long handle, String batch);

    public static native String addMountpoint(long handle, String batch);

    public static native String addShare(long handle, String batch);

    public static native String addVolume(long handle, String batch);

    public static native String addVolumeGroup(long handle, String batch);

    /** Volume managers are not merged: a record replaces the one held under its Id. */
    public static native String addVolumeManagerInfo(long handle, String batch);

    /**
     * Copies report flags down the storage stack, drops unusable disks from the report (an error
     * record names each) and grows the service groups; returns the number of state copies made.
     */
    public static native int resolveDatabase(long handle);

    /**
     * Writes the whole database as record text straight to the process's standard output
     * (descriptor 1, bypassing {@code System.out}); 1 on success, 0 on failure. Flush
     * {@code System.out} before the call and print nothing to it until the call returns, or the
     * two outputs interleave.
     */
    public static native int serialize(long handle);

    /**
     * The database's host report as CIM-XML, or one of "ERROR 1" (no instance list),
     * "ERROR 2" (report generation failed), "ERROR 3" (writing failed), "ERROR UNEXPECTED".
     */
    public static native String print(long handle);
}
