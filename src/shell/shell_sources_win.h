#pragma once
// The capture sources the program's cameras use.

class SourceFactory;

// The program's IP camera and capture device sources, shared by every
// camera's worker.
SourceFactory* ShellSourceFactory();
