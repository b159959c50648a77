#include "schema.h"

namespace ordovan::store {

namespace {

FieldDef integer(const char16_t *name)
{
    return {QString::fromUtf16(name), FieldKind::Integer, 0, false};
}
FieldDef text(const char16_t *name, int width)
{
    return {QString::fromUtf16(name), FieldKind::Text, width, false};
}
FieldDef currency(const char16_t *name)
{
    return {QString::fromUtf16(name), FieldKind::Currency, 0, false};
}
FieldDef floating(const char16_t *name)
{
    return {QString::fromUtf16(name), FieldKind::Float, 0, false};
}
FieldDef date(const char16_t *name)
{
    return {QString::fromUtf16(name), FieldKind::Date, 0, false};
}

} // namespace

QList<FieldDef> domesticPaymentFields()
{
    return {integer(u"ID"),
            text(u"Name", 50),
            text(u"Kontonummer", 50),
            integer(u"BLZ"),
            text(u"Verwendungszweck", 500),
            currency(u"Betrag"),
            text(u"Zahlungsart", 40),
            date(u"Erstellungsdatum")};
}

QList<FieldDef> sepaPaymentFields()
{
    return {integer(u"ID"), text(u"Name1", 50), text(u"Name2", 50), text(u"Straße", 50),
            text(u"OrtLand", 50), text(u"NotitzIntern", 50), text(u"Ansprechpartner", 50),
            text(u"IBAN", 34), text(u"BLZ", 11), text(u"Laendercode", 50), text(u"Waehrung", 3),
            date(u"Datum"), text(u"Verwendungszweck", 500), currency(u"Betrag"),
            text(u"Zahlungsart", 40), date(u"Erstellungsdatum"),
            // Added later: the mandate's date of signature and its sequence type.
            date(u"Mandatsdatum"), text(u"Sequenztyp", 4)};
}

QList<FieldDef> historyFields()
{
    return {integer(u"ID"), integer(u"VonID"), integer(u"BisID"), text(u"LogDatei", 100),
            currency(u"Gesamtbetrag"), text(u"Zahlungsart", 40), date(u"Erstellungsdatum"),
            date(u"Ausfuehrungdatum"), text(u"Mandantenname", 100), text(u"Mandantenkto", 15),
            integer(u"Mandantenblz"), text(u"Dateiname", 100),
            floating(u"KontrollsummeKontonummer"), floating(u"KontrollsummeBankleitzahl"),
            integer(u"GesamtzahlSaetze"),
            // Added later: the SHA-256 of the source the run's file was made from.
            text(u"QuelldateiSHA256", 64)};
}

QList<FieldDef> fieldsAddedLater(const QList<FieldDef> &schema)
{
    static const QStringList added = {QStringLiteral("Mandatsdatum"), QStringLiteral("Sequenztyp"),
                                      QStringLiteral("QuelldateiSHA256")};
    QList<FieldDef> out;
    for (const FieldDef &f : schema) {
        if (added.contains(f.name))
            out << f;
    }
    return out;
}

QList<FieldDef> mandantFields()
{
    return {integer(u"ID"),       text(u"Name", 50),         text(u"Kontonummer1", 50),
            text(u"IBAN1", 34),   integer(u"BLZ1"),          text(u"BIC1", 11),
            text(u"Straße", 100), text(u"PLZ", 10),          text(u"Ort", 100),
            text(u"Land", 100),   text(u"Kontonummer2", 50), text(u"IBAN2", 34),
            integer(u"BLZ2"),     text(u"BIC2", 11),         text(u"Kontonummer3", 50),
            text(u"IBAN3", 34),   integer(u"BLZ3"),          text(u"BIC3", 11),
            text(u"GlID", 35),    integer(u"Aktives Konto")};
}

QList<FieldDef> mandantCalculatedFields()
{
    QList<FieldDef> f = {text(u"Bank1", 100), text(u"Bank2", 100), text(u"Bank3", 100)};
    for (FieldDef &d : f)
        d.calculated = true;
    return f;
}

QList<FieldDef> bankDirectoryFields()
{
    return {text(u"BLZ", 8), text(u"Bank", 100)};
}

QList<FieldDef> oldMandantFields()
{
    return {integer(u"ID"),           text(u"Name", 50),         text(u"Kontonummer1", 50),
            integer(u"BLZ1"),         text(u"Straße", 100),      text(u"PLZ", 10),
            text(u"Ort", 100),        text(u"Land", 100),        text(u"Kontonummer2", 50),
            integer(u"BLZ2"),         text(u"Kontonummer3", 50), integer(u"BLZ3"),
            integer(u"Aktives Konto")};
}

} // namespace ordovan::store
