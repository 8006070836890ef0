extern "C" __attribute__((visibility("default"))) int placeholder_cimxml() { return 1; }
