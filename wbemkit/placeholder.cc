extern "C" __attribute__((visibility("default"))) int placeholder_wbemkit() { return 1; }
