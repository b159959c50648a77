#!/usr/bin/python3
"""The window end to end, as a screen reader user drives it: over AT-SPI, by the captions
the controls carry. The data folder holds one Mandant; the source path, the separator, the
quoting, the column mapping, the payment type, the options and the target are set in the
window, then "Start" runs the batch and both reports are printed to PDF files through the
print preview and the print dialog. At the end the SEPA file must be valid against its
schemas, and the log file, the history row and the two PDFs must exist.

Run by window_e2e.sh inside Xvfb and a D-Bus session; arguments: build folder, source
folder, work folder."""

import glob
import os
import re
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

import pyatspi

BUILD, SOURCE, WORK = sys.argv[1:4]
BANK = os.path.join(WORK, "Bank")
DATA = os.path.join(WORK, "data", "Ordovan 2022")
TIMEOUT = 60


class Failure(Exception):
    pass


def log(text):
    print(text, flush=True)


def wait_for(what, find, timeout=TIMEOUT):
    end = time.time() + timeout
    while time.time() < end:
        try:
            found = find()
        except Exception:  # the tree changes under our feet while windows come and go
            found = None
        if found:
            return found
        time.sleep(0.2)
    raise Failure("nicht gefunden: " + what)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    try:
        children = list(node)
    except Exception:
        return
    for child in children:
        yield from walk(child, depth + 1)


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def find(root, role, name, visible=True):
    for node in walk(root):
        try:
            if node.getRoleName() == role and node.name == name and (not visible or showing(node)):
                return node
        except Exception:
            continue
    return None


def app_node():
    for a in pyatspi.Registry.getDesktop(0):
        if a is not None and a.name == "Ordovan Profi 2022":
            return a
    return None


def control(role, name, root=None):
    return wait_for(f"{role} '{name}'", lambda: find(root or app_node(), role, name))


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "Toggle", "press", "toggle", "click", "Click"):
            action.doAction(i)
            return
    action.doAction(0)


def set_text(node, text):
    node.queryEditableText().setTextContents(text)
    if node.queryText().getText(0, -1) != text:
        raise Failure(f"Text nicht gesetzt: {node.name}")


def window_titled(prefix):
    def look():
        for top in app_node():
            if top is not None and top.name.startswith(prefix) and showing(top):
                return top
        return None
    return wait_for(f"Fenster '{prefix}'", look)


def select_row(table_name, text):
    table_node = control("table", table_name)
    table = table_node.queryTable()
    for row in range(table.nRows):
        cell = table.getAccessibleAt(row, 0)
        if cell is not None and cell.name == text:
            table.addRowSelection(row)
            return
    raise Failure(f"Zeile '{text}' fehlt in {table_name}")


def print_to_pdf(dialog, path):
    """Qt's print dialog: the PDF printer (the only one without CUPS) and its file."""
    printers = next((n for n in walk(dialog) if n.getRoleName() == "combo box" and showing(n)
                     and n.parent is not None and n.parent.name == "Drucker"), None)
    if printers is not None and "PDF" not in printers.name:
        # A machine with printers: the PDF entry is chosen like any other printer.
        for item in walk(printers):
            if item.getRoleName() == "list item" and "PDF" in item.name:
                item.parent.querySelection().selectChild(item.getIndexInParent())
                break
    field = wait_for("Ausgabedatei des Druckdialogs", lambda: next(
        (n for n in walk(dialog) if n.getRoleName() == "text" and showing(n)
         and (n.name == "Ausgabedatei:" or n.queryText().getText(0, -1).endswith(".pdf"))),
        None))
    set_text(field, path)
    press(control("push button", "Drucken", dialog))
    wait_gone(dialog, "Druckdialog")


def wait_gone(node, what):
    wait_for(what + " geschlossen", lambda: not showing(node))


def start_program():
    # Xvfb may still be coming up when the first client connects: a program that could not
    # reach the display ends at once and is started again.
    for attempt in range(10):
        program = subprocess.Popen([os.path.join(BUILD, "ordovan")], cwd=WORK)
        try:
            wait_for("Hauptfenster", lambda: program.poll() is not None or find(
                app_node(), "frame", "Ordovan Profi by Brunnhold Software"), 30)
        except Failure:
            program.kill()
            raise
        if program.poll() is None:
            return program
        log(f"Programm endete beim Start ({program.returncode}), neuer Versuch")
        time.sleep(1)
    raise Failure("Programm startet nicht")


def main():
    source = os.path.join(BANK, "quelle.csv")
    target = os.path.join(BANK, "sepa.xml")
    program = start_program()
    try:
        log("Fenster offen")
        set_text(control("text", "Quelldatei"), source)
        press(control("page tab", "Einstellungen der Quelldatei"))
        press(control("radio button", "Semikolon"))
        press(control("radio button", 'Anführungszeichen: ""'))
        # The source preview shows the fields of the title line.
        wait_for("Vorschau der Quelldatei",
                 lambda: control("table", "Quelldatei-Vorschau").queryTable().nRows == 6)
        mapping = [("Name", "Name"), ("IBAN", "IBAN"), ("BIC", "BIC"), ("Betrag", "Betrag"),
                   ("Verwendung1", "Zweck"), ("Mandatsreferenz/NotizIntern", "Mandat")]
        for target_field, source_field in mapping:
            select_row("Spaltenzuordnung", target_field)
            select_row("Quelldatei-Vorschau", source_field)
            press(control("push button", "Zuordnen"))
            time.sleep(0.4)
        log("Zuordnung gesetzt")

        press(control("page tab", "Hauptseite"))
        press(control("radio button", "Lastschrift CORE"))
        press(control("check box", "Begleitblatt automatisch drucken"))
        press(control("check box", "Buchungsliste automatisch drucken"))
        set_text(control("text", "Zieldatei"), target)
        time.sleep(0.5)
        press(control("push button", "Start"))

        summary = window_titled("Bestätigen")
        log("Zusammenfassung: " + " ".join(n.name for n in walk(summary) if n.getRoleName() == "label"))
        press(control("push button", "OK", summary))

        # The cover sheet: the preview, then its "Drucken" asks for the printer.
        preview = window_titled("Druckvorschau")
        press(control("push button", "Drucken", preview))
        print_to_pdf(window_titled("Drucken"), os.path.join(BANK, "Begleitzettel.pdf"))
        wait_gone(preview, "Druckvorschau")
        log("Begleitzettel gedruckt")

        # The booking list asks for the printer first; its preview then prints at once.
        print_to_pdf(window_titled("Drucken"), os.path.join(BANK, "Buchungsliste.pdf"))
        preview = window_titled("Druckvorschau")
        press(control("push button", "Drucken", preview))
        wait_gone(preview, "Druckvorschau")
        log("Buchungsliste gedruckt")

        # The status, followed by the run's notes (the due date it moved to a business day).
        status = wait_for("Ende des Laufs", lambda: next(
            (n for n in walk(app_node()) if n.getRoleName() == "label"
             and n.name.startswith("Verarbeitung beendet")), None))
        log("Status: " + status.name)
        check(target)
        # "Beenden": the program ends (and may do so before it answers the press).
        beenden = find(app_node(), "menu item", "Beenden", visible=False)
        try:
            press(beenden)
        except Exception:
            pass
        program.wait(timeout=30)
        log(f"Programm beendet ({program.returncode})")
    finally:
        if program.poll() is None:
            program.kill()


def check(target):
    if not os.path.exists(target):
        raise Failure("keine SEPA-Datei")
    head = open(target, "rb").read(600).decode("utf-8")
    version = re.search(r'xmlns="urn:iso:std:iso:20022:tech:xsd:([^"]+)"', head).group(1)
    xsd = os.path.join(SOURCE, "tests", "data", "xsd")
    subset = "_GBIC_3.xsd" if version.endswith(("02", "03")) else "_GBIC_5.xsd"
    for schema in (os.path.join(xsd, version + ".xsd"), os.path.join(xsd, "dk", version + subset)):
        subprocess.run(["xmllint", "--noout", "--schema", schema, target], check=True,
                       stderr=subprocess.DEVNULL if os.environ.get("QUIET") else None)
    log(f"SEPA-Datei gültig ({version})")
    logs = glob.glob(os.path.join(DATA, "Log", "Log_*.txt"))
    if len(logs) != 1:
        raise Failure(f"Log-Dateien: {logs}")
    text = open(logs[0], "rb").read().decode("cp1252")
    if "SEPA-Datei ERSTELLEN ENDE" not in text:
        raise Failure("Log-Datei unvollständig")
    # Table files are Windows-1252 without an encoding in their declaration.
    history = open(os.path.join(DATA, "db2.xml"), "rb").read().decode("cp1252")
    history = re.sub(r"^<\?xml[^>]*\?>", "", history.lstrip())
    rows = list(ET.fromstring(history).iter("ROW"))
    if len(rows) != 1 or rows[0].get("Zahlungsart") != "Lastschrift CORE":
        raise Failure("Historienzeile fehlt: " + str([r.attrib for r in rows]))
    for pdf in ("Begleitzettel.pdf", "Buchungsliste.pdf"):
        data = open(os.path.join(BANK, pdf), "rb").read()
        if not data.startswith(b"%PDF-"):
            raise Failure(pdf + " ist kein PDF")
    log("Log-Datei, Historienzeile und PDFs vorhanden")


if __name__ == "__main__":
    try:
        main()
    except Failure as e:
        print("FEHLER: " + str(e), file=sys.stderr)
        sys.exit(1)
    print("window_e2e: bestanden")
