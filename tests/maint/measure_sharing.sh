#!/usr/bin/env bash
# Programs sharing one data folder, measured by hand (never part of the test
# run; it takes minutes and its figures depend on the machine):
#   tests/maint/measure_sharing.sh race [TRIES] [CORRECTIONS]
#       corrections of other slips loop while `compact` runs; counts the
#       corrections that exited 0 and are not in data.db afterwards (must be 0)
#   tests/maint/measure_sharing.sh import [RECORDS]
#       `correct-slip` runs while an import of RECORDS (1,000,000) order
#       records runs in another process; prints how long each took and
#       how it ended
# BUILD_DIR (default ./build) holds tobari-edi and tests/import/bench_import.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${BUILD_DIR:-build}"
exe="$build/tobari-edi"
bench="$build/tests/import/bench_import"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
folder="$work/folder"

edi() { "$exe" --app-folder "$folder" "$@" </dev/null; }

# A data folder with settings and one imported batch of small slips.
setup() {
    rm -rf "$folder"
    edi init >/dev/null
    printf '[GYOUMU_SETTEI]\r\nBACKUP_KEEP=3\r\n' >"$folder/Gyoum.ini"
    "$bench" --write "$1" "$work/small.txt" >/dev/null
    edi import-order "$work/small.txt" --yes >/dev/null
}

line1() {   # slip number -> line 1's quantity in tenths
    sqlite3 "$folder/data.db" "SELECT CAST(b.ONSURY AS INTEGER) FROM TBL_RD_H2 h JOIN TBL_RD_BD b
        ON b.INDEXNOH2 = h.INDEXNOH2 WHERE h.OMDNNO = '$1' ORDER BY b.INDEXNOBD LIMIT 1"
}

race() {
    local tries="${1:-3}" corrections="${2:-500}"
    for try in $(seq 1 "$tries"); do
        setup $((corrections * 20 + 10))
        : >"$work/log"
        (
            for k in $(seq 1 "$corrections"); do
                slip=$(printf '%06d' "$k")
                if edi correct-slip --slip "$slip" --set 1=77 --yes >/dev/null 2>&1; then
                    echo "$slip 0" >>"$work/log"
                else
                    echo "$slip $?" >>"$work/log"
                fi
            done
        ) &
        loop=$!
        done_ok=0 refused=0
        while kill -0 "$loop" 2>/dev/null; do
            set +e
            edi compact >/dev/null 2>&1
            rc=$?
            set -e
            [ "$rc" = 0 ] && done_ok=$((done_ok + 1))
            [ "$rc" = 1 ] && refused=$((refused + 1))
        done
        wait "$loop" || true
        ok=0 lost=0
        while read -r slip rc; do
            [ "$rc" = 0 ] || continue
            ok=$((ok + 1))
            [ "$(line1 "$slip")" = 770 ] || lost=$((lost + 1))
        done <"$work/log"
        echo "try $try: corrections exited 0: $ok of $corrections, lost: $lost; compact done $done_ok, refused $refused"
    done
}

import() {
    local records="${1:-1000000}"
    setup 200
    "$bench" --write "$records" "$work/big.txt" >/dev/null
    local start end
    start=$(date +%s.%N)
    edi import-order "$work/big.txt" --yes >"$work/import.out" 2>&1 &
    local imp=$!
    sleep 2   # well inside the import's transaction
    for k in 1 2 3; do
        local t0 t1 rc
        t0=$(date +%s.%N)
        set +e
        edi correct-slip --slip "$(printf '%06d' "$k")" --set 1=77 --yes >"$work/c.out" 2>&1
        rc=$?
        set -e
        t1=$(date +%s.%N)
        printf 'correct-slip %d: exit %d after %.1f s, import running: %s; %s\n' "$k" "$rc" \
            "$(echo "$t1 - $t0" | bc)" "$(kill -0 $imp 2>/dev/null && echo yes || echo no)" \
            "$(tail -n 1 "$work/c.out")"
    done
    wait "$imp"
    end=$(date +%s.%N)
    printf 'import: %.1f s in all\n' "$(echo "$end - $start" | bc)"
}

case "${1:-}" in
race) shift; race "$@" ;;
import) shift; import "$@" ;;
*) sed -n '2,12p' "$0"; exit 2 ;;
esac
