// The measuring peer of bench/batch.sh: the npm package "sepa" (version 3) builds and
// serialises the credit transfers of the benchmark source as one pain.001.001.03 document
// and writes it to a file. Reading and splitting the source is not measured; prints the
// milliseconds of building, serialising and writing.
//
//   node bench/batch_npm.mjs <quelle.csv> <out.xml>
import { readFileSync, writeFileSync } from 'node:fs';
import { performance } from 'node:perf_hooks';
import SEPA from 'sepa';

const source = process.argv[2];
const out = process.argv[3];

// Same fields as the program maps them: Name, IBAN, BIC, Betrag, Zweck (title row skipped).
const unquote = (s) => (s.startsWith('"') && s.endsWith('"') ? s.slice(1, -1) : s);
const lines = readFileSync(source, 'latin1').split('\r\n').slice(1).filter((l) => l.length > 0);
const inputs = lines.map((line) => {
  const [name, iban, bic, amount, purpose] = line.split(';').map(unquote);
  return { name, iban, bic, amount: Number(amount.replace(',', '.')), purpose };
});

const start = performance.now();
const doc = new SEPA.Document('pain.001.001.03');
doc.grpHdr.id = '08-12-22-14:05:09';
doc.grpHdr.created = new Date();
doc.grpHdr.initiatorName = 'Verein fuer Benchmarks e.V.';
const info = doc.createPaymentInfo();
info.requestedExecutionDate = new Date();
info.debtorIBAN = 'DE89370400440532013000';
info.debtorBIC = 'COBADEFFXXX';
info.debtorName = 'Verein fuer Benchmarks e.V.';
doc.addPaymentInfo(info);
for (const input of inputs) {
  const tx = info.createTransaction();
  tx.creditorName = input.name;
  tx.creditorIBAN = input.iban;
  tx.creditorBIC = input.bic;
  tx.amount = input.amount;
  tx.remittanceInfo = input.purpose;
  tx.end2endId = 'NOTPROVIDED';
  info.addTransaction(tx);
}
writeFileSync(out, doc.toString());
console.log(Math.round(performance.now() - start));
