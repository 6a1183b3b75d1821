// The same six kinds of value as tdg_value_rates, made by @faker-js/faker; prints
// "<kind> <values per second>".
import { faker } from '@faker-js/faker';

const count = Number(process.argv[2] ?? 1000000);
faker.seed(1);
const from = new Date('2015-01-01T00:00:00Z');
const to = new Date('2025-12-31T23:59:59Z');
const kinds = {
  names: () => faker.person.fullName(),
  emails: () => faker.internet.email(),
  integers: () => faker.number.int({ min: 1, max: 1000 }),
  dates: () => faker.date.between({ from, to }),
  reals: () => faker.number.float({ min: -1000, max: 1000 }),
  guids: () => faker.string.uuid(),
};
let sink = 0;
for (const [kind, make] of Object.entries(kinds)) {
  // a tenth as many first, unmeasured, as tdg_value_rates does: the compiler warms up
  for (let i = 0; i < count / 10; i++) sink += make() ? 1 : 0;
  const start = process.hrtime.bigint();
  for (let i = 0; i < count; i++) sink += make() ? 1 : 0;
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  console.log(`${kind} ${Math.round(count / seconds)} ${make()}`);
}
if (sink < 0) console.log(sink);
