// The JSON API of `hlvpres serve` over the library, apart from HTTP: one request in, one JSON
// answer out. The server checks the session token and the size of the body before it asks.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <vector>

namespace hlvpres {

/// One request to the API: its method, its path (such as "/api/dialog"), its query parameters
/// and its body.
struct ApiRequest {
  std::string method;
  std::string path;
  std::map<std::string, std::string> query;
  std::string body;
  /// Set by the server, from another thread, when the client went away: a preview's query is
  /// then cancelled. May be null.
  const std::atomic<bool>* cancel = nullptr;
};

/// The answer to an ApiRequest: an HTTP status and a JSON body. A failure's body is
/// {"error": message}, and its message never holds a secret.
struct ApiResponse {
  int status = 200;
  std::string body;
};

/// What the server offers beyond what a request names.
struct ApiSettings {
  /// The variables description files GET /api/variable-files lists, in this order; the only
  /// files GET /api/variables reads.
  std::vector<std::string> variableFiles;
  /// The folders (canonical paths) whose regular files a request may name by path, such as a
  /// SQLite database's. A file named anywhere else is refused, whether it exists or not.
  std::vector<std::string> allowedFolders;
  /// The folder (a canonical path, readable by the server's user only) where the content of a
  /// file the page sends is kept, for the connection to read; empty takes no file content.
  std::string uploadFolder;
};

/// Answers `request`:
///   GET  /api/gallery?group=G[&restricted=1]  the gallery group G (file, server, ...)
///   GET  /api/dialog?class=C                  the connection settings record of a new C
///   POST /api/convert?class=C                 the body, a connection params bag, as attributes
///   POST /api/describe[?olap=1][&simple=1]    the data source page of the attributes in the
///                                             body (a JSON object of strings, "class" among
///                                             them), connected live
///   POST /api/preview?table=T|sql=Q[&rows=N][&timeout=S]
///                                             the preview of the table T or the custom SQL
///                                             query Q over the attributes in the body, as
///                                             Services::PreviewJson answers
///   POST /api/test                            whether the attributes in the body connect, as
///                                             Services::TestJson answers (200 either way)
///   GET  /api/odbc-drivers                    the installed ODBC drivers, as
///                                             Services::OdbcDriversJson answers
///   GET  /api/variables?file=F[&select=N&index=I&relation=R]
///                                             the variable prompt of the description file F,
///                                             one of `settings.variableFiles`
///   GET  /api/variable-files                  the description files of `settings`, each as
///                                             {"name": file name without extension, "path": F}
///   GET  /api/connections                     the saved connections, [{"name":N,"class":C}...]
///   GET  /api/connections?name=N (or /api/connections/N)
///                                             the connection saved as N, secrets as its
///                                             "credential-id" (Services::ShowConnectionJson)
///   POST /api/connections/save?name=N&class=C the attributes in the body saved as N, a secret
///                                             absent or ******** kept, one empty removed
///   POST /api/connections/rename?from=A&to=B  renames; {"done":true}
///   DELETE /api/connections?name=N (or /api/connections/N, or POST /api/connections/delete)
///                                             deletes with its secrets; {"done":true}
///   GET  /api/connections/export-url?name=N   {"url": its URL without a password}
///   POST /api/connections/import-url?name=N   the URL in the body saved as N
///   GET  /api/connections/export              every saved connection without its secrets
///   POST /api/connections/import              the body, such an export, saved; {"imported":n}
/// GET /api/dialog and POST /api/describe, /api/preview and /api/test take ?saved=N in place of
/// a class or a body: the connection saved as N, with its stored secrets.
/// A field or attribute that names a file (a certificate, key, database or model file) holds
/// either the file's content as a data URL ("data:[TYPE];base64,CONTENT"), which is kept in
/// `settings.uploadFolder` and named by its path there, or the path of a regular file in
/// `settings.allowedFolders`; any other path is refused with 400. So is the "dbname" of a
/// connection through an ODBC driver named without a data source when it reads as a file (a
/// path holding "/", or a data URL), as a file database's driver (such as SQLite's) takes it. A wrong request answers 400, an unknown path 404, a wrong method 405, and a failure of the
/// library (such as a connection the database refused, with its message) 422. Never throws
/// for what a request holds.
ApiResponse AnswerApi(const ApiRequest& request, const ApiSettings& settings);

/// The JSON body {"error": message}.
std::string ErrorJson(const std::string& message);

}  // namespace hlvpres
