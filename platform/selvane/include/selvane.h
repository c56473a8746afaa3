// The maker library that the GPU feature module calls for file input and
// output, as named functions. Handles are small non-negative integers; -1
// means the file could not be opened or created.
#pragma once

namespace selvane {

// Paths are 16-bit texts of at most hi + 1 characters ending in a NUL
// within them; a path that does not end within them is refused. The last
// argument is as the module passes it (1 for reading, 0 for writing).
int OpenRead(int hi, const char16_t* path, int mode);
int Create(int hi, const char16_t* path, int mode);
// Reads until length bytes or the end of the file; fewer means the end.
int Read(int handle, int reserved, void* buf, int length);
int Write(int handle, int reserved, const void* buf, int length);
int Close(int handle);

}  // namespace selvane
