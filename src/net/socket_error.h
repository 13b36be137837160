#pragma once
// Words for WinSock error codes, as the socket users show them.

#include <string>

// The message for a WinSock error code; codes without their own text give
// "Unknown Socket Errorcode: " and the code in decimal.
std::string SocketErrorText(int code);
