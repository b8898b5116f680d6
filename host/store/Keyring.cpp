// libsecret first: its GLib headers use names that Qt defines as macros (signals, slots).
#include <libsecret/secret.h>

#include "host/store/Keyring.h"

#include "host/store/Store.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <thread>

namespace Store::Keyring {
namespace {

constexpr auto kTimeout = std::chrono::seconds(3);

// libsecret, and the GLib, GIO and D-Bus libraries it brings, are loaded when the keyring is
// first used rather than when the host starts: a process that never asks the keyring (no session
// bus, a key file, a command without the store) does not load nine libraries and bind their
// symbols.
struct Api {
  decltype(&secret_password_lookup_sync) lookup;
  decltype(&secret_password_store_sync) store;
  decltype(&secret_password_clear_sync) clear;
  decltype(&secret_password_free) free;
  decltype(&g_cancellable_new) newCancellable;
  decltype(&g_cancellable_cancel) cancel;
  decltype(&g_object_unref) unref;
  decltype(&g_error_free) freeError;
};

constexpr const char* kLibrary = "libsecret-1.so.0";

template <typename F>
void Bind(void* library, const char* name, F& function) {
  function = reinterpret_cast<F>(dlsym(library, name));
  if (function == nullptr)
    throw StoreException(QStringLiteral("The desktop keyring cannot be used: %1 has no %2")
                             .arg(QLatin1String(kLibrary), QLatin1String(name)));
}

const Api& Secret() {
  static const Api api = [] {
    void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
      throw StoreException(
          QStringLiteral("The desktop keyring cannot be used: %1 is not installed").arg(QLatin1String(kLibrary)));
    Api bound{};
    Bind(library, "secret_password_lookup_sync", bound.lookup);
    Bind(library, "secret_password_store_sync", bound.store);
    Bind(library, "secret_password_clear_sync", bound.clear);
    Bind(library, "secret_password_free", bound.free);
    Bind(library, "g_cancellable_new", bound.newCancellable);
    Bind(library, "g_cancellable_cancel", bound.cancel);
    Bind(library, "g_object_unref", bound.unref);
    Bind(library, "g_error_free", bound.freeError);
    return bound;  // the library stays loaded for the process's life
  }();
  return api;
}

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
  const Api& secret = Secret();
  GCancellable* cancellable = secret.newCancellable();
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> lock(mutex);
    if (!done.wait_for(lock, kTimeout, [&] { return finished; })) secret.cancel(cancellable);
  });
  GError* error = nullptr;
  auto result = call(cancellable, &error);
  {
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
  }
  done.notify_one();
  watchdog.join();
  secret.unref(cancellable);
  if (error != nullptr) {
    secret.freeError(error);  // its text may name the item; the caller says what failed
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
    return Secret().lookup(Schema(), cancellable, error, "store", store.constData(), "role", role, nullptr);
  });
  if (text == nullptr) return std::nullopt;
  TString value = QString::fromUtf8(text);
  Secret().free(text);
  return value;
}

void Keep(const TString& location, const char* role, const TString& text) {
  const QByteArray store = Utf8(location);
  QByteArray value = Utf8(text);
  const QByteArray label = "hlvpres store key (" + store + ")";
  const gboolean stored = WithTimeout([&](GCancellable* cancellable, GError** error) {
    return Secret().store(Schema(), SECRET_COLLECTION_DEFAULT, label.constData(), value.constData(),
                                      cancellable, error, "store", store.constData(), "role", role, nullptr);
  });
  value.fill('\0');
  if (!stored) throw StoreException(QStringLiteral("The desktop keyring did not keep the store's key"));
}

void Clear(const TString& location, const char* role) {
  const QByteArray store = Utf8(location);
  WithTimeout([&](GCancellable* cancellable, GError** error) {
    return Secret().clear(Schema(), cancellable, error, "store", store.constData(), "role", role, nullptr);
  });
}

}  // namespace Store::Keyring
