#!/bin/bash
# The catalogues as translators and the build get them: every catalogue and
# the template pass msgfmt's checks (format strings, header, plural forms),
# the template lists exactly the keys the programs look up, and every
# catalogue is merged with it.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
RC=0
# A shipped catalogue passes without a single warning.
for po in "$ROOT"/common/translation/Lang/*/PrinterConfig.po; do
  OUT="$(msgfmt --check -o /dev/null "$po" 2>&1)" && [ -z "$OUT" ] ||
    { echo "FAIL: msgfmt --check $po"; echo "$OUT"; RC=1; }
done
# A template's header keeps its placeholders; everything else must pass.
msgfmt --check-format --check-domain -o /dev/null "$ROOT/common/translation/Lang/PrinterConfig.pot" ||
  { echo "FAIL: msgfmt on the template"; RC=1; }
grep -q '^"Project-Id-Version: Setwright '"$(head -1 "$ROOT/VERSION")"'\\n"' "$ROOT/common/translation/Lang/PrinterConfig.pot" ||
  { echo "FAIL: the template names another version than VERSION"; RC=1; }
"$ROOT/scripts/make-pot" --check || RC=1
[ "$RC" = 0 ] && echo "catalogues: checked, template and catalogues up to date"
exit $RC
