#pragma once
// The $CAMERAS answer: the grid's shape and every camera's name and state,
// so the live page can label its cells and cut them from the $GRID picture.
//
//   {"columns":2,"rows":2,"cellWidth":634,"cellHeight":476,"gap":4,
//    "cameras":[{"number":1,"name":"Door","state":"live","text":"Live"},...]}
//
// state is one of "none", "connecting", "live", "lost"; text is what the
// cell says. Names are ANSI text: bytes above 127 go out as the Latin-1
// characters of their values.

#include <string>

class WebCameras;

std::string CamerasJson(const WebCameras& cameras);
