# Sourced by scripts/example.sh and scripts/screenshots.sh: lays out the built-in example in
# a throw-away folder. A club (Mandant 1) collects three membership fees by direct debit
# from a CSV file; its settings name the source, the target and the column mapping.
#   example_data WORK BINARY [KEY=VALUE settings lines for the global key ...]
# sets XDG_DATA_HOME and XDG_CONFIG_HOME below WORK and creates the tables (a first start).
example_data() {
    local work=$1 binary=$2
    shift 2
    local top
    top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
    local data="$XDG_DATA_HOME/Ordovan 2022"
    local settings="$XDG_CONFIG_HOME/Brunnhold Software/Ordovan.reg"

    # First start: creates the empty tables and the bank directory.
    "$binary" --unattended

    # The ordering party (Mandant 1) with its creditor identifier.
    cp "$top/examples/mandant.xml" "$data/mandant.xml"
    cp "$top/examples/lastschriften.csv" "$work/lastschriften.csv"

    # Its settings: source, target, separator ";", qualifier '"', title row, column mapping.
    local key='HKEY_CURRENT_USER\SOFTWARE\Brunnhold Software\Ordovan'
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[%s]\r\n"Mandant"=dword:00000001\r\n"LastMandantID"=dword:00000001\r\n' "$key"
        local line
        for line in "$@"; do printf '%s\r\n' "$line"; done
        printf '\r\n[%s\\1]\r\n' "$key"
        printf '"Quelldatei"="%s"\r\n' "$work/lastschriften.csv"
        printf '"Zieldatei"="%s"\r\n' "$work/sepa-lastschriften.xml"
        printf '"Trennzeichen"="Semikolon"\r\n"Textkennzeichner"="doppelt"\r\n'
        printf '"Titelzeile"=dword:00000001\r\n"Betragformat"=dword:00000000\r\n'
        printf '"NameX"=dword:00000000\r\n"NameX2"=dword:00000001\r\n"IBANX"=dword:00000002\r\n'
        printf '"BICX"=dword:00000003\r\n"Betrag"=dword:00000004\r\n"NotitzInternX"=dword:00000005\r\n'
        printf '"Verw1"=dword:00000006\r\n\r\n'
    } > "$settings"
}
