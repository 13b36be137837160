#include "shell/shell_sources_win.h"

#include "sources/source_factory_win.h"

SourceFactory* ShellSourceFactory() {
  // Holds no state of its own, so every worker thread may create through it.
  static CameraSourceFactory factory;
  return &factory;
}
