// Internal: what the socket calls and the asynchronous selection share.
#pragma once

#include "platform/Winsock.h"

#include <string>
#include <utility>
#include <vector>

namespace win::detail {

int WsaErrorFromErrno(int errnoValue);
// Sets the last error from errno and returns SOCKET_ERROR.
int FailFromErrno();
int Fail(int wsaError);
bool WinsockStarted();

// What the asynchronous selection learns from the calls on a socket.
enum class SocketPhase { Idle, Connecting, Connected, Listening, Failed };
void TrackSocket(SOCKET s, SocketPhase phase);
void ForgetSocket(SOCKET s);
bool IsSelected(SOCKET s);
// The socket has had a connection (which may have ended since).
bool WasConnected(SOCKET s);
void NoteConnectStarted(SOCKET s, int immediateError);
void NoteListening(SOCKET s);
void NoteAccepted(SOCKET listening, SOCKET accepted);
void NoteReceived(SOCKET s, bool bufferFilled);
void NoteSendBlocked(SOCKET s);

// The named exports of "WSOCK32", in the socket loader's order.
const std::vector<std::pair<std::string, FARPROC>>& WinsockExports();

} // namespace win::detail
