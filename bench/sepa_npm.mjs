// The measuring peer of bench/sepa.sh: the npm package "sepa" (version 3) builds and
// serialises the same direct debit as `sepa_tool build`, and writes it to a file. Prints the
// milliseconds of building, serialising and writing; generating the inputs is not measured.
//
//   node bench/sepa_npm.mjs <count> <out.xml> [2009|2019]
import { writeFileSync } from 'node:fs';
import { performance } from 'node:perf_hooks';
import SEPA from 'sepa';

const count = Number(process.argv[2]);
const out = process.argv[3];
const format = process.argv[4] === '2019' ? 'pain.008.001.08' : 'pain.008.001.02';

// Transaction i, as sepa_tool generates it.
function ibanFor(i) {
  const bban = String(370400440000000000n + BigInt(i));
  let r = 0;
  for (const c of bban + '131400') r = (r * 10 + Number(c)) % 97;
  return 'DE' + String(98 - r).padStart(2, '0') + bban;
}
const inputs = [];
for (let i = 0; i < count; i++) {
  inputs.push({
    name: `Mitglied Nummer ${i} Mustermann`,
    purpose: `Beitrag 2023 Mitglied ${i} Rechnung ${100000 + i}`,
    iban: ibanFor(i),
    bic: 'COBADEFFXXX',
    mandate: `MANDAT-${i}`,
    amount: (1000 + (i % 100000)) / 100,
  });
}
const today = new Date();
const collection = new Date(today.getTime() + 5 * 86400000);

const start = performance.now();
const doc = new SEPA.Document(format);
doc.grpHdr.id = '08-12-22-14:05:09';
doc.grpHdr.created = new Date();
doc.grpHdr.initiatorName = 'Verein fuer Benchmarks e.V.';
const info = doc.createPaymentInfo();
info.collectionDate = collection;
info.creditorIBAN = 'DE87123456781234567890';
info.creditorBIC = 'DEUTDEFF';
info.creditorName = 'Verein fuer Benchmarks e.V.';
info.creditorId = 'DE98ZZZ09999999999';
info.localInstrumentation = 'CORE';
info.sequenceType = 'FRST';
doc.addPaymentInfo(info);
for (const input of inputs) {
  const tx = info.createTransaction();
  tx.debtorName = input.name;
  tx.debtorIBAN = input.iban;
  tx.debtorBIC = input.bic;
  tx.mandateId = input.mandate;
  tx.mandateSignatureDate = today;
  tx.amount = input.amount;
  tx.remittanceInfo = input.purpose;
  tx.end2endId = 'NOTPROVIDED';
  info.addTransaction(tx);
}
writeFileSync(out, doc.toString());
console.log(Math.round(performance.now() - start));
