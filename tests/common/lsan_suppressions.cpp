// LeakSanitizer's built-in suppressions for the test programs of the sanitizer build: memory that
// system libraries we link (but do not own) keep in caches until the process ends, and the serial
// number list that vorbisfile's open of a seekable file loses when it gives up on a damaged file
// (8 bytes a stream, inside the library, nothing the caller can free). vorbisfile is built without
// frame pointers, so such a stack ends inside it and only its library name can match; what libogg
// and libvorbis allocate for a stream we forget to clear is still reported. Unused otherwise.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libX11.so\nleak:libdbus-1.so\nleak:swrast_dri.so\nleak:libfltk.so\n"
           "leak:libvorbisfile.so\n";
}
