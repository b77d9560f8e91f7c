// The TCP connection to the data server's command port: one per program. Incoming bytes are
// cut into lines at LF (CR dropped) and handed to the line callback while the main loop
// processes events; a line without its end is handed over after kPartialLineDelay without
// data, which is how the server's prompts arrive. Text on the wire is Latin-1.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>

namespace ravok {

// Quiet time after which a partial line is handed over (ten 100 ms polls).
constexpr std::chrono::milliseconds kPartialLineDelay{1000};
// Upper bound of the blocking connect, so an unreachable host cannot hang the program.
constexpr std::chrono::milliseconds kConnectTimeout{8640};
// The longest line taken from the server; the longest the protocol has is about 540
// characters, so a longer one is corrupt or hostile and its rest is dropped up to the LF.
constexpr int kMaxLineLength = 4096;

using TRemoteCallBack = std::function<void(const QString& Line)>;
using TRemoteNotify = std::function<void(int32_t Code)>;

class Remote : public QObject {
  Q_OBJECT

 public:
  Remote();
  ~Remote() override;

  // False when a connection is already open or the connect failed.
  bool RemoteOpen(const QString& host, const QString& port, TRemoteCallBack call,
                  TRemoteNotify notify);
  // False when no connection is open.
  bool RemoteClose();
  // False when no connection is open or the socket is no longer connected.
  bool RemoteSendLine(const QString& text);
  bool RemoteActive() const { return open_; }

 private:
  void OnReadyRead();
  void OnSocketError(QAbstractSocket::SocketError error);
  void OnIdle();
  void Deliver();

  QTcpSocket socket_;
  QTimer idle_;
  QByteArray line_;
  bool open_ = false;
  bool reading_ = false;  // cleared by a socket error: reading stops until the next open
  TRemoteCallBack call_;
  TRemoteNotify notify_;
};

// The platform error number reported for a socket failure; 0 when the failure is an orderly
// close by the peer, which is not reported.
int32_t SocketErrorCode(QAbstractSocket::SocketError error, int lastErrno);

}  // namespace ravok
