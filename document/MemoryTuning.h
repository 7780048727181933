// Memory settings for documents of hundreds of megabytes.
#pragma once

// Keeps freed memory in the process for the next command instead of handing every large buffer
// back to the system: each command on a large document needs buffers of the document's size,
// and reusing pages already mapped is several times faster than mapping fresh ones. Call once,
// at the start of the program.
void KeepFreedMemoryForReuse();
