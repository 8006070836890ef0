extern "C" __attribute__((visibility("default"))) int placeholder_util() { return 1; }
