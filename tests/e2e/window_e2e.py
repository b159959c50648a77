#!/usr/bin/python3
"""The window end to end, as a new user with a screen reader lives it: over AT-SPI, by the
captions the controls carry, and by the keyboard. The data folder is empty, so the setup
wizard opens by itself. Its start page and steps 1 and 2 take the keyboard alone (Space, Tab,
typing, Return, arrows); then the controls, found by their names: the column mapping, the
Mandant typed into the Mandant editor, the payment type, the format and the target. Then
"Start" on the main window runs the batch and both reports are printed to PDF files through
the print preview and the print dialog. At the end the SEPA file must be valid against its
schemas and carry the new Mandant, and the log file, the history row and the two PDFs must
exist.

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

MAIN_TITLE = "Ordovan Profi by Brunnhold Software"
WIZARD_TITLE = "Einstellungsassistent für Ordovan Profi"
MANDANT = {
    "Name": "Sportverein Nordheim e.V.",
    "IBAN 1": "DE02120300000000202051",
    "BIC 1": "BYLADEM1001",
    "Gläubiger-ID": "DE98ZZZ09999999999",
}

# X key symbols
SPACE, TAB, BACKTAB, RETURN, RIGHT = 0x20, 0xFF09, 0xFE20, 0xFF0D, 0xFF53


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
        time.sleep(0.1)
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


def has_state(node, state):
    try:
        return node.getState().contains(state)
    except Exception:
        return False


def showing(node):
    return has_state(node, pyatspi.STATE_SHOWING)


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


def choose(node):
    """Presses a radio button or check box and waits until it shows as checked."""
    press(node)
    wait_for(f"'{node.name}' gewählt", lambda: has_state(node, pyatspi.STATE_CHECKED), 10)


def text_of(node):
    return node.queryText().getText(0, -1)


def set_text(node, text):
    node.queryEditableText().setTextContents(text)
    if text_of(node) != text:
        raise Failure(f"Text nicht gesetzt: {node.name}")


# The keyboard: real key events through the accessibility registry (XTest under Xvfb). Every
# key waits for what it should do, as keys are handled after the call returns.
FOCUSABLE = ("push button", "text", "radio button", "check box", "combo box", "table")


def focused(root):
    for node in walk(root):
        try:
            if (node.getRoleName() in FOCUSABLE and has_state(node, pyatspi.STATE_FOCUSED)
                    and showing(node)):
                return node
        except Exception:
            continue
    return None


def describe(node):
    return f"{node.getRoleName()} '{node.name}'" if node is not None else "nichts"


def wait_focus(root, role, name):
    def look():
        node = focused(root)
        if node is not None and node.getRoleName() == role and node.name == name:
            return node
        return None
    try:
        return wait_for(f"Fokus auf {role} '{name}'", look, 10)
    except Failure:
        raise Failure(f"Fokus auf {describe(focused(root))} statt {role} '{name}'")


def key(symbol):
    pyatspi.Registry.generateKeyboardEvent(symbol, None, pyatspi.KEY_SYM)


def key_to(root, symbol, role, name):
    """Presses a key until the focus reaches the control (at most ten times)."""
    for _ in range(10):
        node = focused(root)
        if node is not None and node.getRoleName() == role and node.name == name:
            return node
        key(symbol)
        wait_for("Fokuswechsel", lambda: focused(root) is not None and focused(root) != node, 10)
    return wait_focus(root, role, name)


def type_into(root, node, text):
    """Focuses a box and types the text, as the keyboard does."""
    node.queryComponent().grabFocus()
    wait_focus(root, node.getRoleName(), node.name)
    pyatspi.Registry.generateKeyboardEvent(0, text, pyatspi.KEY_STRING)
    wait_for(f"Eingabe in '{node.name}'", lambda: text_of(node) == text, 10)


def window_titled(prefix):
    def look():
        for top in app_node():
            if top is not None and top.name.startswith(prefix) and showing(top):
                return top
        return None
    return wait_for(f"Fenster '{prefix}'", look)


def select_row(table_name, text, root=None):
    """Selects the row whose first cell holds the text, as a screen reader selects it."""
    table_node = control("table", table_name, root)
    table = table_node.queryTable()
    for row in range(table.nRows):
        cell = table.getAccessibleAt(row, 0)
        if cell is not None and cell.name == text:
            table.addRowSelection(row)
            wait_for(f"Zeile '{text}' in {table_name} gewählt",
                     lambda: table.isRowSelected(row), 10)
            return
    raise Failure(f"Zeile '{text}' fehlt in {table_name}")


def cell_text(table_node, row, column):
    cell = table_node.queryTable().getAccessibleAt(row, column)
    return cell.name if cell is not None else None


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
         and (n.name == "Ausgabedatei:" or text_of(n).endswith(".pdf"))),
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
                app_node(), "frame", MAIN_TITLE), 30)
        except Failure:
            program.kill()
            raise
        if program.poll() is None:
            return program
        log(f"Programm endete beim Start ({program.returncode}), neuer Versuch")
        time.sleep(1)
    raise Failure("Programm startet nicht")


def wizard_start_and_source(wizard, source):
    """The start page and step 1 by the keyboard alone; the focus is checked at every key."""
    wait_focus(wizard, "push button", " Start")
    key(SPACE)
    # The source page starts on its file button; the path field is before it.
    wait_focus(wizard, "push button", "Quelldatei wählen")
    field = key_to(wizard, BACKTAB, "text", "Quelldatei")
    pyatspi.Registry.generateKeyboardEvent(0, source, pyatspi.KEY_STRING)
    wait_for("getippter Pfad", lambda: text_of(field) == source, 10)
    key(RETURN)
    # Read on Return: the preview shows the six fields of the title line and two records.
    preview = control("table", "Quelldatei-Vorschau", wizard)
    wait_for("Vorschau der Quelldatei", lambda: preview.queryTable().nRows == 6
             and cell_text(preview, 0, 1) == "Anna Schäfer")
    # Step 2: through the table choice to the separators, the semicolon by the arrow keys.
    for _ in range(10):
        node = focused(wizard)
        if node is not None and node.getRoleName() == "radio button":
            break
        key(TAB)
        wait_for("Fokuswechsel", lambda: focused(wizard) != node, 10)
    semikolon = key_to(wizard, RIGHT, "radio button", "Semikolon")
    if not has_state(semikolon, pyatspi.STATE_CHECKED):
        key(SPACE)
        wait_for("Semikolon gewählt", lambda: has_state(semikolon, pyatspi.STATE_CHECKED), 10)
    key_to(wizard, TAB, "push button", " Weiter")
    key(SPACE)
    wait_focus(wizard, "table", "Spaltenzuordnung")
    log("Assistent: Schritt 1 und 2 mit der Tastatur")


def wizard_mapping(wizard):
    """Step 3: a line on the left, the source field on the right, then the arrow."""
    mapping = [("Name", "Name"), ("IBAN", "IBAN"), ("BIC", "BIC"), ("Betrag", "Betrag"),
               ("Verwendung1", "Zweck"), ("Mandatsreferenz/NotizIntern", "Mandat")]
    grid = control("table", "Spaltenzuordnung", wizard)
    labels = [cell_text(grid, row, 0) for row in range(grid.queryTable().nRows)]
    for target_field, source_field in mapping:
        select_row("Spaltenzuordnung", target_field, wizard)
        select_row("Quelldatei-Vorschau", source_field, wizard)
        press(control("push button", "Zuordnen", wizard))
        row = labels.index(target_field)
        wait_for(f"Zuordnung {target_field}", lambda: cell_text(grid, row, 1) == source_field, 10)
    log("Assistent: Spalten zugeordnet")


def create_mandant():
    """Step 4: the Mandant editor; a new Mandant typed box by box, saved, closed."""
    editor = window_titled("Mandantenverwaltung")
    # A press is a click some time later: the typing waits for the new row.
    press(control("push button", "NEU", editor))
    save = control("push button", "Speichern", editor)
    wait_for("neuer Mandant", lambda: has_state(save, pyatspi.STATE_ENABLED), 10)
    for box, text in MANDANT.items():
        type_into(editor, control("text", box, editor), text)
    press(save)
    wait_for("Mandant gespeichert", lambda: not has_state(save, pyatspi.STATE_ENABLED), 10)
    press(control("push button", "Schließen", editor))
    wait_gone(editor, "Mandantenverwaltung")
    log("Mandant angelegt")


def run_wizard(source, target):
    wizard = window_titled(WIZARD_TITLE)
    if wizard.getRoleName() != "dialog" or wizard.name != WIZARD_TITLE:
        raise Failure(f"Assistent: {describe(wizard)}")
    log("Assistent offen")
    wizard_start_and_source(wizard, source)
    wizard_mapping(wizard)
    press(control("push button", " Schritt 4", wizard))
    create_mandant()
    # Steps 5 and 6 name the new Mandant.
    control("label", "Mandant: 1 -  " + MANDANT["Name"], wizard)
    choose(control("radio button", "Lastschrift CORE", wizard))
    choose(control("radio button", "2019 (pain.001.001.09 / pain.008.001.08)", wizard))
    set_text(control("text", "Zieldatei", wizard), target)
    press(control("push button", " Abschluss", wizard))
    wait_gone(wizard, "Assistent")
    log("Assistent abgeschlossen")


def main():
    source = os.path.join(BANK, "quelle.csv")
    target = os.path.join(BANK, "sepa.xml")
    if os.path.exists(DATA):
        raise Failure("der Datenordner ist nicht leer")
    program = start_program()
    try:
        log("Fenster offen")
        run_wizard(source, target)

        # The main window took over what the wizard set.
        main_window = control("frame", MAIN_TITLE)
        for name, expected in (("Quelldatei", source), ("Zieldatei", target)):
            field = control("text", name, main_window)
            try:
                wait_for(f"{name} im Hauptfenster", lambda: text_of(field) == expected, 10)
            except Failure:
                raise Failure(f"{name} im Hauptfenster: '{text_of(field)}'")
        core = control("radio button", "Lastschrift CORE", main_window)
        wait_for("Zahlungsart im Hauptfenster", lambda: has_state(core, pyatspi.STATE_CHECKED), 10)
        choose(control("check box", "Begleitblatt automatisch drucken", main_window))
        choose(control("check box", "Buchungsliste automatisch drucken", main_window))
        press(control("push button", "Start", main_window))

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

        # The status panel says the run ended; the run's notes (the due date it moved to a
        # business day) stand beside it.
        status = wait_for("Ende des Laufs", lambda: next(
            (n for n in walk(app_node()) if n.getRoleName() == "label"
             and n.name == "Verarbeitung beendet"), None))
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
    if version != "pain.008.001.08":
        raise Failure("Format " + version)
    xsd = os.path.join(SOURCE, "tests", "data", "xsd")
    subset = "_GBIC_3.xsd" if version.endswith(("02", "03")) else "_GBIC_5.xsd"
    for schema in (os.path.join(xsd, version + ".xsd"), os.path.join(xsd, "dk", version + subset)):
        subprocess.run(["xmllint", "--noout", "--schema", schema, target], check=True,
                       stderr=subprocess.DEVNULL if os.environ.get("QUIET") else None)
    # The new Mandant is the creditor.
    ns = {"p": "urn:iso:std:iso:20022:tech:xsd:" + version}
    info = ET.parse(target).getroot().find("p:CstmrDrctDbtInitn/p:PmtInf", ns)
    debits = info.findall("p:DrctDbtTxInf", ns)
    creditor = (info.findtext("p:Cdtr/p:Nm", None, ns),
                info.findtext("p:CdtrAcct/p:Id/p:IBAN", None, ns),
                info.findtext("p:CdtrAgt/p:FinInstnId/p:BICFI", None, ns),
                {d.findtext("p:DrctDbtTx/p:CdtrSchmeId/p:Id/p:PrvtId/p:Othr/p:Id", None, ns)
                 for d in debits})
    if creditor != (MANDANT["Name"], MANDANT["IBAN 1"], MANDANT["BIC 1"],
                    {MANDANT["Gläubiger-ID"]}):
        raise Failure(f"Zahlungsempfänger: {creditor}")
    if len(debits) != 2:
        raise Failure(f"{len(debits)} Lastschriften statt 2")
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
