// Has software that is not ours write point clouds, then checks that our readers find the
// points that went in: the count, and the bounds as the writer's precision keeps them.
// The expected figures come from the input points, never from a reader.
// CommonJS, so that NODE_PATH finds the packages wherever the bootstrap put them.
//   node independent_writer_check.cjs REFERENCE_INSPECT WORKDIR three
//   node independent_writer_check.cjs REFERENCE_INSPECT WORKDIR cloudcompare CLOUDCOMPARE
const {execFileSync} = require('child_process');
const fs = require('fs');
const path = require('path');
const {pathToFileURL} = require('url');

// A deterministic cloud of a few thousand points: a tilted wall with colour, coordinates a
// few hundred metres from zero so that the writers store them as they are, without a shift.
function inputPoints() {
  const points = [];
  for (let i = 0; i < 3000; ++i) {
    const u = (i % 60) * 0.173, v = Math.floor(i / 60) * 0.061;
    points.push({x: 312.5 + u + 0.01 * Math.sin(i), y: -87.25 + 0.3 * u, z: 41.0 + v,
                 r: i % 256, g: (7 * i) % 256, b: 255 - (i % 256)});
  }
  return points;
}

function boundsOf(points, round) {
  const min = [Infinity, Infinity, Infinity], max = [-Infinity, -Infinity, -Infinity];
  for (const p of points) {
    [p.x, p.y, p.z].forEach((value, a) => {
      min[a] = Math.min(min[a], round(value));
      max[a] = Math.max(max[a], round(value));
    });
  }
  return {min, max};
}

// three's PLY exporter: ascii, binary little- and big-endian, positions as float and as double
// (the latter with normals between the positions and the colours).
async function writeWithThree(points, dir) {
  // Both as modules, so that the exporter and the cloud share one copy of three.
  const exporter = require.resolve('three/examples/jsm/exporters/PLYExporter.js');
  const {PLYExporter} = await import(pathToFileURL(exporter));
  const THREE = await import(pathToFileURL(path.resolve(exporter, '../../../../build/three.module.js')));
  const files = [];
  for (const [type, Array, round] of [['float', Float32Array, Math.fround], ['double', Float64Array, (v) => v]]) {
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute('position',
                          new THREE.BufferAttribute(Array.from(points.flatMap((p) => [p.x, p.y, p.z])), 3));
    geometry.setAttribute('color',
                          new THREE.BufferAttribute(Uint8Array.from(points.flatMap((p) => [p.r, p.g, p.b])), 3));
    // Normals (floats our readers skip) on the double variant.
    if (type === 'double') {
      geometry.setAttribute('normal', new THREE.BufferAttribute(
          Float32Array.from(points.flatMap((p, i) => [Math.sin(i), Math.cos(i), 0])), 3));
    }
    const cloud = new THREE.Points(geometry);
    for (const [encoding, options] of [['ascii', {}], ['little', {binary: true, littleEndian: true}],
                                       ['big', {binary: true, littleEndian: false}]]) {
      const file = path.join(dir, `three_${encoding}_${type}.ply`);
      const data = new PLYExporter().parse(cloud, null, options);
      fs.writeFileSync(file, typeof data === 'string' ? data : Buffer.from(data));
      files.push({file, round, skipped: type === 'double' ? 'nx' : null});
    }
  }
  return files;
}

// CloudCompare's command line, from a plain point list: PLY in its three encodings (float
// positions; its text keeps six significant digits, as C's %g), plain and with properties our
// readers skip (normals and a scalar field). Its Debian build has no LAS writer.
function writeWithCloudCompare(points, dir, program) {
  const input = path.join(dir, 'points.xyz');
  fs.writeFileSync(input, points.map((p) => `${p.x} ${p.y} ${p.z} ${p.r} ${p.g} ${p.b}\n`).join(''));
  // Headless, and its settings kept out of the user's home.
  const env = {...process.env, QT_QPA_PLATFORM: 'offscreen', XDG_CONFIG_HOME: dir,
               XDG_DATA_HOME: dir, XDG_RUNTIME_DIR: dir};
  fs.chmodSync(dir, 0o700);
  const files = [];
  for (const [variant, extras] of [['plain', []], ['extras', ['-COORD_TO_SF', 'Z', '-OCTREE_NORMALS', '0.5']]]) {
    for (const encoding of ['ASCII', 'BINARY_LE', 'BINARY_BE']) {
      const file = path.join(dir, `cloudcompare_${encoding.toLowerCase()}_${variant}.ply`);
      execFileSync(program, ['-SILENT', '-AUTO_SAVE', 'OFF', '-O', input, ...extras, '-C_EXPORT_FMT', 'PLY',
                             '-PLY_EXPORT_FMT', encoding, '-SAVE_CLOUDS', 'FILE', file],
                   {env, stdio: 'ignore', timeout: 60000});
      const round = encoding === 'ASCII' ? (v) => Number(Math.fround(v).toPrecision(6)) : Math.fround;
      files.push({file, round, skipped: extras.length ? 'nx' : null});
    }
  }
  return files;
}

async function main() {
  const [inspect, dir, writer, program] = process.argv.slice(2);
  fs.rmSync(dir, {recursive: true, force: true});
  fs.mkdirSync(dir, {recursive: true});
  const points = inputPoints();
  const files = writer === 'three' ? await writeWithThree(points, dir)
                                   : writeWithCloudCompare(points, dir, program);
  const ours = JSON.parse(execFileSync(inspect, files.map((f) => f.file), {encoding: 'utf8'})).clouds;
  let failures = 0;
  for (const [i, {file, round, skipped}] of files.entries()) {
    // The properties to skip are there, or the variant would not test skipping them.
    const header = fs.readFileSync(file).subarray(0, 1024).toString('latin1');
    if (skipped && !header.includes(`property float ${skipped}`)) {
      console.log(`DIFFER ${path.basename(file)}: the writer left out ${skipped}`);
      ++failures;
      continue;
    }
    const expected = boundsOf(points, round);
    const mine = ours[i];
    // Written values are kept exactly; allow only for decimal text that rounds the last digit.
    const close = (a, b) => Math.abs(a - b) <= Math.abs(b) * 1e-12;
    const agree = mine.status === 'loaded' && mine.points === points.length && mine.colour === true &&
        [0, 1, 2].every((a) => close(mine.bounds.min[a], expected.min[a]) &&
                               close(mine.bounds.max[a], expected.max[a]));
    console.log(`${agree ? 'agree' : 'DIFFER'} ${path.basename(file)} (${mine.format}): ` +
                `written ${points.length} points [${expected.min}]..[${expected.max}], ` +
                `ours ${mine.points} [${mine.bounds?.min}]..[${mine.bounds?.max}]`);
    if (!agree) ++failures;
  }
  return failures;
}

main().then((failures) => process.exit(failures ? 1 : 0), (error) => {
  console.error(error);
  process.exit(1);
});
