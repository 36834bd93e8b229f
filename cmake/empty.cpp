// Keeps a library valid while its directory has no sources yet.
