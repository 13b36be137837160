#include "shell/shell_sources_win.h"

SourceFactory* ShellSourceFactory() {
  // SEAM: the IP camera and capture device sources are not merged yet, so
  // cameras have no source.
  return nullptr;
}
