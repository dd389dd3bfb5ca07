#pragma once
// What the image library needs of the whole process. main() of every program that uses the
// library calls PrepareProcess first thing, before any thread starts: setenv and the
// allocator's settings are not safe while another thread reads the environment (Qt does as it
// starts) or allocates. Nothing after that changes the environment or the allocator; the
// library's own start (libvips') happens later, on whichever thread first needs it.
namespace vtlimage {

// Large buffers go back to the system as soon as they are freed, and libvips will load none of
// its optional modules (see ProcessSettings.cpp).
void PrepareProcess();

} // namespace vtlimage
