// fontconfig keeps the patterns of the faces Qt looked up until the process ends; LeakSanitizer
// would count them against the dialog and menu tests. Our own leaks are still reported.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n"
           "leak:libfreetype\n";
}
