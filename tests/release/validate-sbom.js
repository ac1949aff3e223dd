// Validates CycloneDX JSON documents against the schema of their specVersion with the CycloneDX
// library's strict validator (its own copy of the schemas): validate-sbom.js FILE.cdx.json...
// Exits with 1 when one is invalid. NODE_PATH names the folder that holds the library.
'use strict'
const fs = require('fs')
const CDX = require('@cyclonedx/cyclonedx-library')

async function check (file) {
  const text = fs.readFileSync(file, 'utf8')
  const version = JSON.parse(text).specVersion
  const validator = new CDX.Validation.JsonStrictValidator(version)
  const errors = await validator.validate(text)
  if (errors === null) {
    console.log(`${file}: valid CycloneDX ${version}`)
    return true
  }
  console.log(`${file}: not valid CycloneDX ${version}:`)
  console.log(JSON.stringify(errors, null, 2))
  return false
}

(async () => {
  let valid = true
  for (const file of process.argv.slice(2)) valid = (await check(file)) && valid
  process.exit(valid ? 0 : 1)
})().catch((error) => { console.error(error); process.exit(2) })
