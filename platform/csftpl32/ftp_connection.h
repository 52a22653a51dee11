// One FTP control connection with its data connection, its buffered listing and its open file.
// Every network wait is bounded by the connection's time-out; every reply and listing is bounded
// in size. Methods return an error code of csftp::Error (0 on success). One thread uses a
// connection at a time; Abort may be called from any thread to unblock it.
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>
#include <atomic>
#include <mutex>
#include <string>
#include "csftpl32.h"

namespace csftp {

class FtpConnection {
 public:
  FtpConnection() = default;
  ~FtpConnection();
  FtpConnection(const FtpConnection&) = delete;
  FtpConnection& operator=(const FtpConnection&) = delete;

  // Taken by every call on the connection, so that a disconnect can tell whether one is running.
  std::mutex callLock;

  int Connect(const char* host, int port, int timeoutSeconds);
  void SetPassive(bool passive) { passive_ = passive; }
  int Login(const char* user, const char* password, const char* account);
  int ChangeDir(const char* path);
  int CurrentDir(std::string* path);
  int Simple(const char* verb, const char* argument);  // DELE, MKD, RMD and the like: 2xx is success
  int Rename(const char* from, const char* to);
  int SetType(int type);
  void Quit();
  // Shuts the sockets down so that a call blocked on them returns at once.
  void Abort();

  int OpenList(const char* path);
  void SetListMode(int mode) { listMode_ = mode; }
  int NextEntry(bool restart, FtpEntry* entry);
  void CloseList();

  int OpenFile(const char* name, int mode);
  int Read(char* buffer, int size, int* got);
  int Write(const char* data, int count, int* sent);
  int CloseFile();
  int TransferMs() const;

  // Takes up to size-1 bytes of the reply text gathered since the last call, terminated.
  int TakeReplyText(char* buffer, int size);
  // The last reply line, for error texts.
  const std::string& lastLine() const { return lastLine_; }
  // True when the server named UTF8 among its features: names then travel as UTF-8 on the wire
  // and in the program's code page at the calls. Other servers get the bytes as they are.
  bool utf8() const { return utf8_; }

 private:
  SOCKET ctrl() const { return ctrl_.load(); }
  int Fail(int error);  // breaks the connection on errors that leave the control stream unusable
  int SendLine(const std::string& line);
  int ReadReply(int* code);
  int Command(const std::string& line, int* code);
  int OpenData(const std::string& command);
  int FinishData();  // reads the final reply of a transfer
  void CloseData();
  void AskForUtf8();
  std::string ToServer(const char* name) const;
  std::string FromServer(const std::string& name) const;

  std::atomic<SOCKET> ctrl_{INVALID_SOCKET};
  std::atomic<SOCKET> data_{INVALID_SOCKET};
  sockaddr_in peer_{};
  sockaddr_in local_{};
  DWORD timeoutMs_ = 30000;
  bool passive_ = true;
  bool utf8_ = false;
  std::string rx_;        // control bytes received and not yet read as lines
  std::string log_;       // reply text not yet taken
  std::string lastLine_;

  bool listOpen_ = false;
  std::string list_;
  size_t listPos_ = 0;
  int listMode_ = kListUnix;
  bool listGave_ = false;

  bool fileOpen_ = false;
  bool fileWrite_ = false;
  bool fileDone_ = false;   // the data ended and the final reply was read
  bool fileFailed_ = false;
  ULONGLONG fileStart_ = 0;
  DWORD fileMs_ = 0;
  // Data connection buffers: reads are served from one large recv, writes are gathered and sent
  // in large blocks (the callers move 1 KB at a time).
  std::string inBuf_;
  size_t inPos_ = 0;
  std::string outBuf_;
  int FlushOut();
};

}  // namespace csftp
