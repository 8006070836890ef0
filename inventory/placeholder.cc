extern "C" __attribute__((visibility("default"))) int placeholder_inventory() { return 1; }
