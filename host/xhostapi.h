#pragma once

// The host libraries build with hidden visibility; this marks what they export.
#define XHOST_API __attribute__((visibility("default")))
