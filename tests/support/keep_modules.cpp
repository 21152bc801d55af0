// SPDX-License-Identifier: MIT
// Preloaded into sanitized test runs: keeps every shared object loaded until
// the process ends, so that leak reports at exit can still name the module
// (the GL driver, say) an allocation came from and be matched against the
// suppressions.
extern "C" int dlclose(void* /*handle*/)
{
    return 0;
}
