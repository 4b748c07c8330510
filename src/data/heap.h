// Process-wide memory setting of the program, made once at start.
#pragma once

namespace data {

// The journal is re-read all day long, megabytes at a time. Keep the freed heap for the next
// reading instead of handing it back to the system and faulting it in again page by page.
void keepFreedMemory();

}  // namespace data
