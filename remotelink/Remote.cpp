#include "remotelink/Remote.h"

#include <cerrno>

namespace ravok {

Remote::Remote() {
  idle_.setSingleShot(true);
  idle_.setInterval(kPartialLineDelay);
  connect(&idle_, &QTimer::timeout, this, &Remote::OnIdle);
  connect(&socket_, &QIODevice::readyRead, this, &Remote::OnReadyRead);
  connect(&socket_, &QAbstractSocket::errorOccurred, this, &Remote::OnSocketError);
}

Remote::~Remote() { RemoteClose(); }

bool Remote::RemoteOpen(const QString& host, const QString& port, TRemoteCallBack call,
                        TRemoteNotify notify) {
  if (open_) return false;
  bool ok = false;
  const uint p = port.trimmed().toUInt(&ok);
  if (!ok || p > 65535) return false;
  line_.clear();
  reading_ = false;  // errors of the connect itself are not reported
  socket_.connectToHost(host, static_cast<quint16>(p));
  if (!socket_.waitForConnected(static_cast<int>(kConnectTimeout.count()))) {
    socket_.abort();
    return false;
  }
  call_ = std::move(call);
  notify_ = std::move(notify);
  reading_ = true;
  open_ = true;
  return true;
}

bool Remote::RemoteClose() {
  if (!open_) return false;
  idle_.stop();
  reading_ = false;
  socket_.abort();
  line_.clear();
  open_ = false;
  return true;
}

bool Remote::RemoteSendLine(const QString& text) {
  if (!open_ || socket_.state() != QAbstractSocket::ConnectedState) return false;
  // Characters outside Latin-1 become '?'.
  QByteArray bytes = text.toLatin1();
  bytes.append("\r\n");
  socket_.write(bytes);
  socket_.flush();
  return true;
}

void Remote::OnReadyRead() {
  if (!reading_) return;  // after an error the bytes stay in the socket
  const QByteArray data = socket_.readAll();
  // Qt reports a reset and an orderly close alike; errno of its last read tells them apart,
  // so a stale value must not outlive this read.
  errno = 0;
  for (char c : data) {
    if (!reading_) return;  // a callback closed the connection
    if (c == '\n')
      Deliver();
    else if (c != '\r' && line_.size() < kMaxLineLength)
      line_.append(c);
  }
  if (line_.isEmpty())
    idle_.stop();
  else
    idle_.start();
}

void Remote::OnIdle() {
  if (reading_ && !line_.isEmpty()) Deliver();
}

void Remote::Deliver() {
  const QString line = QString::fromLatin1(line_);
  line_.clear();
  if (call_) call_(line);
}

void Remote::OnSocketError(QAbstractSocket::SocketError error) {
  const int lastErrno = errno;
  if (!open_ || !reading_) return;
  const int32_t code = SocketErrorCode(error, lastErrno);
  if (code == 0) return;  // orderly close: no more lines, the next command times out
  // A partial line cut off by the error is not delivered.
  reading_ = false;
  idle_.stop();
  line_.clear();
  if (notify_) notify_(code);
}

int32_t SocketErrorCode(QAbstractSocket::SocketError error, int lastErrno) {
  switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
      return lastErrno == ECONNRESET ? ECONNRESET : 0;
    case QAbstractSocket::ConnectionRefusedError: return ECONNREFUSED;
    case QAbstractSocket::HostNotFoundError: return EHOSTUNREACH;
    case QAbstractSocket::SocketTimeoutError: return ETIMEDOUT;
    case QAbstractSocket::SocketAccessError: return EACCES;
    case QAbstractSocket::SocketResourceError: return ENOBUFS;
    case QAbstractSocket::NetworkError: return lastErrno != 0 ? lastErrno : ENETDOWN;
    default: return lastErrno != 0 ? lastErrno : EIO;
  }
}

}  // namespace ravok
