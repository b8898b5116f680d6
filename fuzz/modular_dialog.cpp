// The modular dialog description of a connection, re-written compactly with the initial SQL
// settings appended. A description that is refused leaves the JSON empty; one that is accepted
// gives compact JSON which, rewritten once more, comes back unchanged with a second initial SQL
// member appended.
#include "fuzz/FuzzSupport.h"

#include "presentation-model/ModularConnectionSettingsPresModelBuilder.h"
#include "tests/support/FakeConnectionModel.h"

#include <cstddef>
#include <cstdint>

namespace {

TString Rewrite(const TString& dialogJson) {
  static const RefCntPtr<fake::RelationalConfig> config = [] {
    RefCntPtr<fake::RelationalConfig> made = MakeRefCnt<fake::RelationalConfig>();
    made->state.configName = QStringLiteral("fuzz");
    return made;
  }();
  static const RefCntPtr<const InitialSQLPresModel> initialSql = [] {
    RefCntPtr<InitialSQLPresModel> made = MakeRefCnt<InitialSQLPresModel>();
    made->SetIsSupported(true);
    made->SetInitialSQL(QStringLiteral("SET name = 'Zo\u00eb \"\\';\n"));
    made->AddInitialSQLParameter(QStringLiteral("[HalvaneApp]"));
    return made;
  }();
  config->rel.modularDialogJson = dialogJson;
  TString json;
  fuzz::MustComplete("rewriting a modular dialog description", [&] {
    json = ModularConnectionSettingsPresModelBuilder().Build(config, initialSql)->GetConnectionDialogJson();
  });
  return json;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TString emptyObject = Rewrite(QStringLiteral("{}"));
  // The appended member, as the rewrite of an empty object holds it alone.
  static const TString member = emptyObject.mid(1).chopped(1);

  const TString first = Rewrite(TStringFromUtf8(fuzz::AsText(data, size)));
  if (first.isEmpty()) return 0;
  if (!first.startsWith(QLatin1Char('{')) || !first.endsWith(member + QLatin1Char('}')))
    fuzz::Finding("rewriting a modular dialog description", "not an object ending in the initial SQL: " + ToUtf8(first));
  const TString expected = first.chopped(1) + QLatin1Char(',') + member + QLatin1Char('}');
  fuzz::ExpectSame("rewriting a rewritten modular dialog description", expected, Rewrite(first));
  return 0;
}
