// Reads files with an independent implementation (loaders.gl) and compares the point counts
// and bounds with what our engine reports for the same files.
// CommonJS, so that NODE_PATH finds the packages wherever the bootstrap put them.
//   node independent_reader_check.cjs REFERENCE_INSPECT FILE...
const {parse} = require('@loaders.gl/core');
const {LASLoader} = require('@loaders.gl/las');
const {PLYLoader} = require('@loaders.gl/ply');
const {execFileSync} = require('child_process');
const {readFileSync} = require('fs');

async function main() {

  const [inspect, ...files] = process.argv.slice(2);
  const ours = JSON.parse(execFileSync(inspect, files, {encoding: 'utf8'})).clouds;
  let failures = 0;
  for (const [i, file] of files.entries()) {
    const loader = /\.las$/i.test(file) ? LASLoader : PLYLoader;
    const data = await parse(readFileSync(file), loader, {worker: false});
    const position = data.attributes.POSITION;
    const count = position.value.length / position.size;
    const min = [Infinity, Infinity, Infinity], max = [-Infinity, -Infinity, -Infinity];
    for (let k = 0; k < position.value.length; k += 3) {
      for (let a = 0; a < 3; ++a) {
        min[a] = Math.min(min[a], position.value[k + a]);
        max[a] = Math.max(max[a], position.value[k + a]);
      }
    }
    // loaders.gl hands out single-precision positions: agree to within their spacing.
    const close = (a, b) => Math.abs(a - b) <= Math.max(1e-6, Math.abs(b) * 2 ** -22);
    const mine = ours[i];
    const agree = mine.status === 'loaded' && mine.points === count &&
        [0, 1, 2].every((a) => close(min[a], mine.bounds.min[a]) && close(max[a], mine.bounds.max[a]));
    console.log(`${agree ? 'agree' : 'DIFFER'} ${file}: loaders.gl ${count} points ` +
                `[${min}]..[${max}], ours ${mine.points} [${mine.bounds?.min}]..[${mine.bounds?.max}]`);
    if (!agree) ++failures;
  }
  return failures;
}

main().then((failures) => process.exit(failures ? 1 : 0), (error) => {
  console.error(error);
  process.exit(1);
});
