// hlvhttpload: a load generator for `hlvpres serve`. Opens CONNECTIONS keep-alive connections
// to 127.0.0.1:PORT at once, sends REQUESTS GET requests of TARGET on each, one after the other,
// all connections concurrently on one thread, and prints one line of JSON: the requests, the
// failures (a status other than 200, or a broken connection), the wall time, the throughput,
// and the median, 99th percentile and slowest latency in milliseconds.
//
//     hlvhttpload PORT TARGET [--connections N] [--requests N] [--header NAME:VALUE]

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

struct Totals {
  std::vector<double> latencies;  // milliseconds, one per answered request
  std::size_t failures = 0;
};

class Client : public std::enable_shared_from_this<Client> {
 public:
  Client(asio::io_context& io, const tcp::endpoint& endpoint, http::request<http::empty_body> request,
         int requests, Totals& totals)
      : m_stream(io), m_endpoint(endpoint), m_request(std::move(request)), m_left(requests), m_totals(totals) {}

  void Start() {
    m_stream.async_connect(m_endpoint, [self = shared_from_this()](boost::beast::error_code error) {
      if (error) return self->Fail(0);
      self->Send();
    });
  }

 private:
  void Send() {
    if (m_left-- == 0) {
      boost::beast::error_code ignored;
      m_stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
      return;
    }
    m_sent = Clock::now();
    http::async_write(m_stream, m_request, [self = shared_from_this()](boost::beast::error_code error, std::size_t) {
      if (error) return self->Fail(1);
      self->Receive();
    });
  }

  void Receive() {
    m_response = {};
    http::async_read(m_stream, m_buffer, m_response,
                     [self = shared_from_this()](boost::beast::error_code error, std::size_t) {
                       if (error) return self->Fail(1);
                       if (self->m_response.result_int() != 200) ++self->m_totals.failures;
                       self->m_totals.latencies.push_back(
                           std::chrono::duration<double, std::milli>(Clock::now() - self->m_sent).count());
                       if (!self->m_response.keep_alive()) return self->Fail(0);
                       self->Send();
                     });
  }

  // A broken or closed connection fails the request under way, if any, and every one it had left.
  void Fail(int underWay) { m_totals.failures += static_cast<std::size_t>(std::max(m_left, 0) + underWay); }

  boost::beast::tcp_stream m_stream;
  tcp::endpoint m_endpoint;
  http::request<http::empty_body> m_request;
  http::response<http::string_body> m_response;
  boost::beast::flat_buffer m_buffer;
  int m_left;
  Totals& m_totals;
  Clock::time_point m_sent;
};

double Percentile(const std::vector<double>& sorted, double share) {
  if (sorted.empty()) return 0;
  const auto index = static_cast<std::size_t>(share * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(index, sorted.size() - 1)];
}

[[noreturn]] void Usage() {
  std::cerr << "usage: hlvhttpload PORT TARGET [--connections N] [--requests N] [--header NAME:VALUE]\n";
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) Usage();
  const auto port = static_cast<unsigned short>(std::atoi(argv[1]));
  int connections = 200;
  int requests = 50;
  http::request<http::empty_body> request{http::verb::get, argv[2], 11};
  request.set(http::field::host, "127.0.0.1");
  request.keep_alive(true);
  for (int i = 3; i < argc; i += 2) {
    if (i + 1 >= argc) Usage();
    const std::string option = argv[i];
    const std::string value = argv[i + 1];
    if (option == "--connections") {
      connections = std::atoi(value.c_str());
    } else if (option == "--requests") {
      requests = std::atoi(value.c_str());
    } else if (option == "--header" && value.find(':') != std::string::npos) {
      request.set(value.substr(0, value.find(':')), value.substr(value.find(':') + 1));
    } else {
      Usage();
    }
  }
  if (port == 0 || connections <= 0 || requests <= 0) Usage();

  asio::io_context io;
  const tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), port);
  Totals totals;
  totals.latencies.reserve(static_cast<std::size_t>(connections) * static_cast<std::size_t>(requests));
  for (int i = 0; i < connections; ++i) std::make_shared<Client>(io, endpoint, request, requests, totals)->Start();
  const Clock::time_point start = Clock::now();
  io.run();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

  std::sort(totals.latencies.begin(), totals.latencies.end());
  std::printf(
      "{\"requests\": %zu, \"failures\": %zu, \"seconds\": %.3f, \"per_second\": %.1f, \"median_ms\": %.2f, "
      "\"p99_ms\": %.2f, \"max_ms\": %.2f}\n",
      totals.latencies.size(), totals.failures, seconds, static_cast<double>(totals.latencies.size()) / seconds,
      Percentile(totals.latencies, 0.5), Percentile(totals.latencies, 0.99),
      totals.latencies.empty() ? 0.0 : totals.latencies.back());
  return totals.failures == 0 ? 0 : 1;
}
