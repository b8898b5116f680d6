// libsecret first: its GLib headers use names that Qt defines as macros (signals, slots).
#include <libsecret/secret.h>

#include "host/store/Keyring.h"

#include "host/store/Store.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace Store::Keyring {
namespace {

constexpr auto kTimeout = std::chrono::seconds(3);

const SecretSchema* Schema() {
  static const SecretSchema schema = {"org.hlvpres.StoreKey",
                                      SECRET_SCHEMA_NONE,
                                      {{"store", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"role", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  return &schema;
}

// Runs one synchronous libsecret call, cancelled when it takes longer than kTimeout: a session
// bus without a Secret Service may otherwise keep the call waiting for D-Bus activation.
template <typename Call>
auto WithTimeout(Call call) {
  GCancellable* cancellable = g_cancellable_new();
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> lock(mutex);
    if (!done.wait_for(lock, kTimeout, [&] { return finished; })) g_cancellable_cancel(cancellable);
  });
  GError* error = nullptr;
  auto result = call(cancellable, &error);
  {
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
  }
  done.notify_one();
  watchdog.join();
  g_object_unref(cancellable);
  if (error != nullptr) {
    g_error_free(error);  // its text may name the item; the caller says what failed
    throw StoreException(QStringLiteral("The desktop keyring did not answer"));
  }
  return result;
}

QByteArray Utf8(const TString& text) { return text.toUtf8(); }

}  // namespace

bool Answers() {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (bus == nullptr || *bus == '\0') return false;
  try {
    Lookup(QStringLiteral("hlvpres-keyring-probe"), "probe");
    return true;
  } catch (const StoreException&) {
    return false;
  }
}

std::optional<TString> Lookup(const TString& location, const char* role) {
  const QByteArray store = Utf8(location);
  gchar* text = WithTimeout([&](GCancellable* cancellable, GError** error) {
    return secret_password_lookup_sync(Schema(), cancellable, error, "store", store.constData(), "role", role, nullptr);
  });
  if (text == nullptr) return std::nullopt;
  TString value = QString::fromUtf8(text);
  secret_password_free(text);
  return value;
}

void Keep(const TString& location, const char* role, const TString& text) {
  const QByteArray store = Utf8(location);
  QByteArray value = Utf8(text);
  const QByteArray label = "hlvpres store key (" + store + ")";
  const gboolean stored = WithTimeout([&](GCancellable* cancellable, GError** error) {
    return secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, label.constData(), value.constData(),
                                      cancellable, error, "store", store.constData(), "role", role, nullptr);
  });
  value.fill('\0');
  if (!stored) throw StoreException(QStringLiteral("The desktop keyring did not keep the store's key"));
}

void Clear(const TString& location, const char* role) {
  const QByteArray store = Utf8(location);
  WithTimeout([&](GCancellable* cancellable, GError** error) {
    return secret_password_clear_sync(Schema(), cancellable, error, "store", store.constData(), "role", role, nullptr);
  });
}

}  // namespace Store::Keyring
