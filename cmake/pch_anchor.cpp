// The source that the shared precompiled headers are compiled with.
