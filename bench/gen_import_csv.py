#!/usr/bin/env python3
"""Writes a realistic source file for the import benchmark: Windows-1252, ";" between fields,
text fields in double quotes, CR LF line ends, a title line and then RECORDS records of 20
fields (names with umlauts, addresses, IBAN/BIC, German dates and amounts, purpose lines).

usage: gen_import_csv.py OUTPUT [RECORDS]
"""
import random
import sys

FIELDS = [
    "Name", "Vorname", "Strasse", "PLZ Ort", "Land", "Mandatsreferenz", "Ansprechpartner",
    "IBAN", "BIC", "Laendercode", "Waehrung", "Datum", "Verwendung 1", "Verwendung 2",
    "Verwendung 3", "Verwendung 4", "Betrag", "Kontonummer", "BLZ", "Notiz",
]
SURNAMES = ["Müller", "Schäfer", "Größmann", "Weiß", "Öztürk", "Bäcker", "Jäger", "Krüger",
            "Schmidt", "Hoffmann", "Köhler", "Löwe", "Fuß", "Brüning", "Maier"]
GIVEN = ["Jürgen", "Ännchen", "Björn", "Sören", "Anna", "Hans", "Grete", "Lukas", "Zoë"]
STREETS = ["Hauptstraße", "Bahnhofstr.", "Am Mühlbach", "Gartenweg", "Schloßallee",
           "Lindenstraße; Hinterhaus", "Königsplatz"]
TOWNS = ["München", "Köln", "Düsseldorf", "Nürnberg", "Lübeck", "Würzburg", "Görlitz"]
BICS = ["COBADEFFXXX", "DEUTDEDBBER", "GENODEF1M04", "BYLADEM1001", "SSKMDEMMXXX"]


def iban(rng):
    digits = "".join(rng.choice("0123456789") for _ in range(18))
    return "DE%02d%s" % (rng.randint(10, 99), digits)


def quoted(text):
    return '"' + text + '"'


def record(rng, n):
    name = rng.choice(SURNAMES)
    return [
        quoted(name),
        quoted(rng.choice(GIVEN)),
        quoted("%s %d" % (rng.choice(STREETS), rng.randint(1, 120))),
        quoted("%05d %s" % (rng.randint(1000, 99999), rng.choice(TOWNS))),
        quoted("Deutschland"),
        quoted("MREF-%08d" % n),
        quoted("Frau " + rng.choice(SURNAMES)),
        quoted(iban(rng)),
        quoted(rng.choice(BICS)),
        quoted("DE"),
        quoted("EUR"),
        "%02d.%02d.%04d" % (rng.randint(1, 28), rng.randint(1, 12), rng.randint(2022, 2025)),
        quoted("Beitrag %d/%d" % (rng.randint(1, 12), rng.randint(2022, 2025))),
        quoted("Mitglied Nr. %d" % n),
        quoted("Vielen Dank für Ihre Zahlung"),
        quoted(""),
        "%d,%02d" % (rng.randint(1, 9999), rng.randint(0, 99)),
        "%010d" % rng.randint(0, 9999999999),
        "%08d" % rng.randint(10000000, 99999999),
        quoted("Notiz für %s" % name),
    ]


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    rng = random.Random(20221208)
    with open(out, "w", encoding="cp1252", newline="") as f:
        f.write(";".join(quoted(x) for x in FIELDS) + "\r\n")
        for n in range(1, count + 1):
            f.write(";".join(record(rng, n)) + "\r\n")


if __name__ == "__main__":
    main()
