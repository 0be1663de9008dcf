// Leak-checker suppressions for the Qt tests under the sanitizer build: the
// platform plugin and fontconfig keep caches for the process's lifetime.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libQt6Core\nleak:libQt6Gui\nleak:libQt6Widgets\nleak:libfontconfig\nleak:libglib\n";
}
