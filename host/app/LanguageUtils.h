// The languages the product's user interface is offered in, and the names of their locales.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <memory>
#include <vector>

/// A language of the user interface: a language with the region whose usage it follows.
enum class Language : int {
  English,             ///< "en_US"
  German,              ///< "de_DE"
  French,              ///< "fr_FR"
  Japanese,            ///< "ja_JP"
  PortugueseBrazil,    ///< "pt_BR"
  PortuguesePortugal,  ///< "pt_PT"
};

/// Which languages the running product offers.
class HLVHOST_API ISupportedLanguages {
 public:
  virtual ~ISupportedLanguages();
  /// The offered languages, in the order the product lists them.
  virtual std::vector<Language> GetSupportedLanguages() const = 0;
};

/// A fixed list of languages.
class HLVHOST_API FixedSupportedLanguages final : public ISupportedLanguages {
 public:
  /// Every language, in the order of the Language enum.
  FixedSupportedLanguages();
  explicit FixedSupportedLanguages(std::vector<Language> languages);

  std::vector<Language> GetSupportedLanguages() const override { return m_languages; }

 private:
  std::vector<Language> m_languages;
};

/// The supported languages and the names of locales.
///
/// Two of the languages share a short alias, as real locales do: "pt_BR" and "pt_PT" are both
/// "pt". Where one text per short alias is kept from texts made for every locale in ISO string
/// order (the OAuth settings page does so), the later locale wins, so "pt" shows the "pt_PT"
/// text.
class HLVHOST_API LanguageUtils {
 public:
  LanguageUtils() = delete;

  /// The languages the installed service offers; by default every language, in the order of
  /// the Language enum.
  static std::vector<Language> GetSupportedLanguages();
  /// The locale ISO string of `language`, such as "de_DE". A value outside the enum raises
  /// LogicException.
  static TString GetISOString(Language language);
  /// The short alias of `locale`: its language in lower case, without region ("de" for "de_DE",
  /// "de-DE" or "de"); empty for an empty locale.
  static TString GetLanguageShortAlias(const TString& locale);

  /// Installs `languages` (null puts the default back) and returns the service it replaces.
  static std::shared_ptr<ISupportedLanguages> Install(std::shared_ptr<ISupportedLanguages> languages);
};
