#!/usr/bin/env python3
"""How many planted faults the tests catch: one fault at a time in a checkout, built, tested, put back.

  bench/mutants.py list --root . --seed 7 --count 40 src/cli/*.cpp > m.jsonl
  bench/mutants.py run --root . --mutants m.jsonl --log m.log \
      --tests 'tavrel-cli:^(cli|io_pymodbus);;all:^(lan_|app_tests)'

Faults: a comparison or logical operator turned, + for -, a number one off, true for false, a `!`
dropped, a statement removed. `--tests` holds stages "TARGETS:CTEST_REGEX" joined by ";;"; a fault is
caught at the first stage that fails and the rest are skipped. The log (JSON lines) lets a run be
stopped and resumed. Some faults cannot change behaviour (a buffer one byte larger, a value that is
overwritten before use): read the survivors before counting them. Run it in a checkout of its own,
never where you edit, and with nothing else busy: the tests wait on the network.
"""
import argparse, json, os, random, re, subprocess, sys, time

REL = [(' < ', ' <= '), (' <= ', ' < '), (' > ', ' >= '), (' >= ', ' > '),
       (' == ', ' != '), (' != ', ' == '), (' && ', ' || '), (' || ', ' && ')]
ARITH = [(' + ', ' - '), (' - ', ' + ')]
SKIP_LINE = re.compile(r'^\s*(//|#|\*|/\*|static_assert|namespace|using |template|case |default:)')
DECL_START = re.compile(r'^\s*(return|auto|const|constexpr|static|std::|int|bool|char|QString|QByteArray|'
                        r'unsigned|uint\w*|int\w*_t|size_t|double|float|if|for|while|else|switch|'
                        r'try|catch|throw|class|struct|enum|[A-Z]\w*(<.*>)?\s+[a-z_]\w*\s*[=({;])')
STMT = re.compile(r'^\s+[a-z_][\w.\->\[\]:]*\s*(\(|=|\+=|-=|\|=|&=|\+\+|--|<<).*;\s*$')


def mask_strings(line):
    """Blank out string and char literals so no mutation lands inside a text."""
    out, i, n = [], 0, len(line)
    while i < n:
        c = line[i]
        if c in '"\'':
            q = c
            j = i + 1
            while j < n and line[j] != q:
                j += 2 if line[j] == '\\' else 1
            out.append(q + '\0' * (min(j, n) - i - 1) + (q if j < n else ''))
            i = j + 1
        elif line.startswith('//', i):
            out.append('\0' * (n - i))
            break
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def sites(path, text):
    lines = text.split('\n')
    found = []
    for no, line in enumerate(lines):
        if SKIP_LINE.match(line) or 'operator' in line:
            continue
        m = mask_strings(line)
        for a, b in REL + ARITH:
            start = 0
            while True:
                k = m.find(a, start)
                if k < 0:
                    break
                # skip template brackets and stream operators
                if a.strip() in '<>' and ('<<' in m[k-1:k+3] or '>>' in m[k-1:k+3]):
                    start = k + 1
                    continue
                found.append((no, k, a, b, 'op'))
                start = k + 1
        for mt in re.finditer(r'(?<![\w.])(\d+)(?![\w.])', m):
            v = int(mt.group(1))
            if re.search(r'Ms\b|Ms =|Timeout|Wait|Interval|Poll|seconds|msleep|Formatting', line) or v >= 100:
                continue
            found.append((no, mt.start(), mt.group(1), str(v + 1), 'const'))
            if v > 0:
                found.append((no, mt.start(), mt.group(1), str(v - 1), 'const'))
        for mt in re.finditer(r'\b(true|false)\b', m if 'Formatting' not in m and 'SingleShot' not in m else ''):
            found.append((no, mt.start(), mt.group(1), 'false' if mt.group(1) == 'true' else 'true', 'bool'))
        for mt in re.finditer(r'(if \(|&& |\|\| )!(?!=)', m):
            k = mt.end() - 1
            found.append((no, k, '!', '', 'not'))
        if STMT.match(m) and not DECL_START.match(m) and line.rstrip().endswith(';'):
            found.append((no, 0, line, '', 'delete'))
    return found


def apply(text, site):
    no, k, a, b, kind = site
    lines = text.split('\n')
    if kind == 'delete':
        lines[no] = ''
    else:
        line = lines[no]
        assert line[k:k + len(a)] == a, (line, k, a)
        lines[no] = line[:k] + b + line[k + len(a):]
    return '\n'.join(lines)


def cmd_list(args):
    rng = random.Random(args.seed)
    pool = []
    for f in args.files:
        text = open(os.path.join(args.root, f)).read()
        for s in sites(f, text):
            pool.append((f, s))
    rng.shuffle(pool)
    seen_lines = set()
    n = 0
    for f, s in pool:
        if (f, s[0]) in seen_lines:
            continue
        seen_lines.add((f, s[0]))
        text = open(os.path.join(args.root, f)).read()
        line = text.split('\n')[s[0]]
        print(json.dumps({'file': f, 'line': s[0] + 1, 'col': s[1], 'from': s[2], 'to': s[3],
                          'kind': s[4], 'orig': line.strip()}))
        n += 1
        if n >= args.count:
            break


def sh(cmd, cwd, timeout):
    try:
        p = subprocess.run(cmd, cwd=cwd, shell=True, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=timeout, text=True, errors='replace')
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired as e:
        return 124, (e.stdout or '') if isinstance(e.stdout, str) else ''


def cmd_run(args):
    done = set()
    if os.path.exists(args.log):
        for l in open(args.log):
            r = json.loads(l)
            done.add((r['file'], r['line'], r['col'], r['to']))
    env_tests = ('QT_QPA_PLATFORM=offscreen TAVREL_BROADCAST=127.255.255.255 '
                 'TAVREL_HOME=$(mktemp -d) ')
    for l in open(args.mutants):
        mu = json.loads(l)
        key = (mu['file'], mu['line'], mu['col'], mu['to'])
        if key in done:
            continue
        path = os.path.join(args.root, mu['file'])
        orig = open(path).read()
        site = (mu['line'] - 1, mu['col'], mu['from'] if mu['kind'] != 'delete' else orig.split('\n')[mu['line'] - 1],
                mu['to'], mu['kind'])
        t0 = time.time()
        try:
            open(path, 'w').write(apply(orig, site))
            result, detail = 'survived', ''
            for stage in args.tests.split(';;'):
                target, stage = stage.split(':', 1) if ':' in stage else ('all', stage)
                rc, out = sh(f'cmake --build {args.build_dir} -j{args.bj} --target {target}', args.root, 900)
                if rc != 0:
                    result, detail = 'nobuild', out[-400:]
                    break
                if True:
                    rc, out = sh(env_tests + f'ctest --test-dir {args.build_dir} -R "{stage}" -j{args.j} '
                                 f'--stop-on-failure --timeout 300', args.root, 1800)
                    if rc != 0:
                        fails = re.findall(r'\d+ - (\S+) \(', out)
                        result, detail = 'caught', ' '.join(fails) or out[-300:]
                        break
        finally:
            open(path, 'w').write(orig)
        mu.update(result=result, detail=detail, secs=round(time.time() - t0))
        with open(args.log, 'a') as lg:
            lg.write(json.dumps(mu, ensure_ascii=False) + '\n')
        print(mu['file'], mu['line'], mu['kind'], mu['from'][:30], '->', mu['to'], result, detail[:80],
              mu['secs'], flush=True)
    # put the tree back to what it was built from
    sh(f'cmake --build {args.build_dir} -j{args.bj}', args.root, 900)


def main():
    ap = argparse.ArgumentParser()
    sub = ap.add_subparsers(dest='cmd')
    a = sub.add_parser('list'); a.add_argument('--root'); a.add_argument('--seed', type=int)
    a.add_argument('--count', type=int); a.add_argument('files', nargs='+')
    b = sub.add_parser('run'); b.add_argument('--root'); b.add_argument('--mutants'); b.add_argument('--log')
    b.add_argument('--tests'); b.add_argument('--j', type=int, default=3); b.add_argument('--build-dir', default='build/test'); b.add_argument('--bj', type=int, default=2)
    args = ap.parse_args()
    {'list': cmd_list, 'run': cmd_run}[args.cmd](args)


if __name__ == '__main__':
    main()
