#pragma once
// Web access to the maker's server: a text fetch and a file download, each a GET carrying
// "CONTENT-TYPE: text/xml" and a cache buster "Time=HH:MM:SS", waited for while events run until
// the reply is complete, a deadline passes or (download) the progress window is closed. A reply
// with an HTTP error status or a network error, one cut short, one over its size limit and one
// redirected to another server (scheme, host or port) is a failure. With no server address set
// every request fails at once.

#include <QString>
#include <QTime>
#include <QUrl>

#include <functional>

namespace library {

inline constexpr const char16_t *kNetError = u"网络错误！";

// The most a reply may hold: a text (catalogue, version page) and a downloaded file (a format or
// its picture). A reply that announces or sends more is refused.
inline constexpr qint64 kMaxTextReplyBytes = 4 * 1024 * 1024;
inline constexpr qint64 kMaxDownloadBytes = 64 * 1024 * 1024;

// The server's address followed by path ("/..."); "" when no server is set.
QString WebUrl(const QString &path);

// The clock of the cache buster (tests set one; an empty function restores the real clock).
void SetWebClock(std::function<QTime()> clock);
// The URL with "Time=HH:MM:SS" joined by "&" when it has a "?", else by "?".
QString AddCacheBuster(const QString &url);
// The request URL: the text kept as it is, characters outside ASCII percent-encoded as GBK bytes.
// Invalid for anything but an absolute http or https address.
QUrl EncodeWebUrl(const QString &url);

// Fetches the text at url (decoded as GBK whatever the server says). "" on success, with reply
// cut before its last "<BR>" and every "<+>" turned into CR LF; else "网络错误！": without the
// marker (case-sensitive) reply holds the whole text, after a time-out or an error it is left
// as it was. With cancelled given, the progress window showing now is the request's: closing it
// ends the request at once (nothing that arrives later is read) and sets cancelled; a request
// whose window is closed already is not sent.
QString GetUrlText(const QString &url, QString &reply, const QString &marker, double timeoutS,
                   bool *cancelled = nullptr);
// GetUrlText up to five times, stopping at the first success, and with cancelled given at the
// first try stopped by its progress window: no try follows a closed window.
QString GetUrlTextRetry(const QString &url, QString &reply, const QString &marker, double timeoutS,
                        bool *cancelled = nullptr);
// Downloads url into file with the progress window "正在下载..."; closing that window stops it.
// The reply is written into the file's temporary as it arrives and replaces the file only when
// complete (as long as it announced) and synced. True when the whole reply is in the file; on
// failure the old file stays as it was. cancelled (when given) tells whether the user closed the
// progress window; error (when given) why the file was not written, when the cause was the file,
// the reply's size or a redirect elsewhere ("" for a plain network failure).
bool DownloadUrlToFile(const QString &url, const QString &file, double timeoutS,
                       bool *cancelled = nullptr, QString *error = nullptr,
                       qint64 maxBytes = kMaxDownloadBytes);

} // namespace library
