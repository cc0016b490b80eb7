#pragma once

// The package builds with hidden visibility; this marks its exported surface.
#define XPDB_API __attribute__((visibility("default")))
