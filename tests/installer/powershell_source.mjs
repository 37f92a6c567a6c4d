// Reads a Windows PowerShell script the way the checks need it: as UTF-8 with
// a byte-order mark, parsed by the PowerShell tree-sitter grammar, with a
// small evaluator that works out what a string expression stands for without
// running it. Environment variables stand as %NAME%, the script's own folder
// as {script folder}, a known folder as {Desktop} or {Programs}, the loop
// variable of a foreach as {name}, the caught error's message as {error},
// an existing shortcut's target as {target of PATH};
// anything the evaluator does not know comes back as an Unknown holding the
// expression's text.

import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import v8 from 'node:v8';
import { Parser, Language } from 'web-tree-sitter';

const require = createRequire(import.meta.url);

// The grammar is a 1 MB WebAssembly module: V8's optimising compiler would
// spend half a minute on it in the background, and the process would wait
// for that at its end. The baseline compiler alone parses a script at once.
v8.setFlagsFromString('--liftoff-only');

let parser = null;

// One parser for every script; made once, also when several scripts load at
// the same time.
function powershellParser() {
    parser ??= (async () => {
        await Parser.init();
        const grammar = path.join(path.dirname(require.resolve('tree-sitter-powershell/package.json')),
                                  'tree-sitter-powershell.wasm');
        const made = new Parser();
        made.setLanguage(await Language.load(grammar));
        return made;
    })();
    return parser;
}

export class Unknown {
    constructor(text) {
        this.text = text;
    }
    toString() {
        return `<${this.text}>`;
    }
}

// Every node of the tree, depth first, in source order; tokens too, since a
// token the parser had to make up is where a closing brace is missing.
function* walk(node) {
    yield node;
    for (const child of node.children) {
        yield* walk(child);
    }
}

// A chain of single-child expression levels stands for its one child.
function unwrap(node) {
    while (node.namedChildCount === 1 && !['string_literal', 'variable', 'command'].includes(node.type)) {
        node = node.namedChildren[0];
    }
    return node;
}

// The text a string literal stands for; null when it expands a variable.
export function literalText(node) {
    const raw = node.text;
    if (node.type === 'verbatim_string_characters') {
        return raw.slice(1, -1).replaceAll("''", "'");
    }
    const escapes = { r: '\r', n: '\n', t: '\t', 0: '\0', '`': '`', '"': '"', $: '$', "'": "'" };
    let out = '';
    const body = raw.slice(1, -1);
    for (let i = 0; i < body.length; ++i) {
        const c = body[i];
        if (c === '`') {
            const next = body[++i];
            out += next in escapes ? escapes[next] : next;
        } else if (c === '$') {
            return null;
        } else if (c === '"' && body[i + 1] === '"') {
            out += '"';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

export class Script {
    static async load(file) {
        const bytes = fs.readFileSync(file);
        const problems = [];
        if (!(bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf)) {
            problems.push('no UTF-8 byte-order mark');
        }
        let text = '';
        try {
            text = new TextDecoder('utf-8', { fatal: true, ignoreBOM: false }).decode(bytes);
        } catch {
            problems.push('not valid UTF-8');
            text = bytes.toString('utf8');
        }
        const tree = (await powershellParser()).parse(text);
        return new Script(file, tree, problems);
    }

    constructor(file, tree, problems) {
        this.file = file;
        this.root = tree.rootNode;
        this.problems = problems;
        this.nodes = [...walk(this.root)];
        this.assigned = new Map();
        this.loopVariables = new Set();
        for (const node of this.nodes) {
            if (node.type === 'assignment_expression') {
                const left = unwrap(node.namedChildren[0]);
                if (left.type === 'variable') {
                    const name = left.text.toLowerCase();
                    this.assigned.set(name, [...(this.assigned.get(name) ?? []), node.namedChildren[2]]);
                }
            } else if (node.type === 'foreach_statement') {
                this.loopVariables.add(node.namedChildren[0].text.toLowerCase());
            }
        }
    }

    // Where the grammar found no valid PowerShell: "line:column text".
    syntaxErrors() {
        return this.nodes
            .filter(n => n.type === 'ERROR' || n.isMissing)
            .map(n => `${n.startPosition.row + 1}:${n.startPosition.column + 1} ${JSON.stringify(n.text.slice(0, 60))}`);
    }

    // What an expression stands for: a string, a number, an array or an Unknown.
    value(node) {
        node = unwrap(node);
        switch (node.type) {
        case 'string_literal':
            return this.value(node.namedChildren[0]);
        case 'verbatim_string_characters':
        case 'expandable_string_literal': {
            const text = literalText(node);
            return text === null ? new Unknown(node.text) : text;
        }
        case 'decimal_integer_literal':
            return Number(node.text);
        case 'additive_expression': {
            const [a, b] = node.namedChildren.map(c => this.value(c));
            const operator = node.children.find(c => !c.isNamed)?.text;
            if (operator === '+' && typeof a === 'string' && typeof b === 'string') {
                return a + b;
            }
            return new Unknown(node.text);
        }
        case 'array_literal_expression':
            return node.namedChildren.map(c => this.value(c));
        case 'array_expression': {
            const inner = node.namedChildren[0];
            if (!inner) {
                return [];
            }
            const items = this.value(inner);
            return Array.isArray(items) ? items : [items];
        }
        case 'parenthesized_expression':
            return this.value(node.namedChildren[0]);
        case 'variable':
            return this.variable(node.text);
        case 'member_access': {
            if (node.text === '$_.Exception.Message') {
                return '{error}';
            }
            // An existing shortcut opened to read where it points.
            const [object, member] = node.namedChildren;
            if (object.type === 'invokation_expression' && object.namedChildren[1]?.text === 'CreateShortcut' &&
                member.text === 'TargetPath') {
                return `{target of ${this.invocationArguments(object)[0]}}`;
            }
            return new Unknown(node.text);
        }
        case 'invokation_expression': {
            const [target, member] = node.namedChildren;
            const args = this.invocationArguments(node);
            if (target.text === '[Environment]' && member.text === 'GetFolderPath' && args.length === 1) {
                return `{${args[0]}}`;
            }
            return new Unknown(node.text);
        }
        case 'command': {
            // The guard against an empty folder stands for the folder it checks.
            const call = this.describeCommand(node);
            if (call.name === 'Get-RequiredFolder') {
                return call.positional[0];
            }
            return new Unknown(node.text);
        }
        default:
            return new Unknown(node.text);
        }
    }

    variable(text) {
        const name = text.toLowerCase();
        if (name.startsWith('$env:')) {
            return `%${text.slice(5)}%`;
        }
        if (name === '$psscriptroot') {
            return '{script folder}';
        }
        if (this.loopVariables.has(name)) {
            return `{${text.slice(1)}}`;
        }
        const sources = this.assigned.get(name) ?? [];
        return sources.length === 1 ? this.value(sources[0]) : new Unknown(text);
    }

    invocationArguments(node) {
        const list = node.namedChildren.find(c => c.type === 'argument_list');
        const expressions = list ? [...walk(list)].filter(c => c.type === 'argument_expression') : [];
        return expressions.map(e => this.value(e));
    }

    describeCommand(node) {
        const name = node.namedChildren.find(c => c.type === 'command_name')?.text ?? '';
        const elements = node.namedChildren.find(c => c.type === 'command_elements');
        const call = { name, node, positional: [], parameters: {} };
        let pending = null;
        for (const element of elements ? elements.namedChildren : []) {
            if (element.type === 'command_argument_sep') {
                continue;
            }
            if (element.type === 'command_parameter') {
                if (pending !== null) {
                    call.parameters[pending] = true;
                }
                pending = element.text.slice(1);
                continue;
            }
            const value = element.type === 'generic_token' ? element.text : this.value(element);
            if (pending !== null) {
                call.parameters[pending] = value;
                pending = null;
            } else {
                call.positional.push(value);
            }
        }
        if (pending !== null) {
            call.parameters[pending] = true;
        }
        return call;
    }

    // Every call of the named command, with its arguments' values.
    commands(name) {
        return this.nodes
            .filter(n => n.type === 'command')
            .map(n => this.describeCommand(n))
            .filter(c => c.name.toLowerCase() === name.toLowerCase());
    }

    // Every call of the named method, with its arguments' values.
    invocations(method) {
        return this.nodes
            .filter(n => n.type === 'invokation_expression' && n.namedChildren[1]?.text === method)
            .map(n => ({ node: n, args: this.invocationArguments(n) }));
    }

    // Every assignment to a property, with the value assigned.
    propertyAssignments(property) {
        return this.nodes
            .filter(n => n.type === 'assignment_expression')
            .filter(n => {
                const left = unwrap(n.namedChildren[0]);
                return left.type === 'member_access' && left.namedChildren[1]?.text === property;
            })
            .map(n => this.value(n.namedChildren[2]));
    }

    // Every foreach loop, with the values it goes over.
    loops() {
        return this.nodes
            .filter(n => n.type === 'foreach_statement')
            .map(n => ({ node: n, variable: n.namedChildren[0].text, items: this.value(n.namedChildren[1]) }));
    }

    // The texts thrown as errors, in source order.
    thrown() {
        return this.nodes
            .filter(n => n.type === 'flow_control_statement' && n.text.toLowerCase().startsWith('throw'))
            .map(n => ({ node: n, text: n.namedChildren[0] ? this.value(n.namedChildren[0]) : '' }));
    }

    // Every array literal of arrays, as values.
    tables() {
        return this.nodes
            .filter(n => n.type === 'assignment_expression')
            .map(n => this.value(n.namedChildren[2]))
            .filter(v => Array.isArray(v) && v.length > 0 && v.every(Array.isArray));
    }
}

// Whether node lies inside a try block (not its catch clause).
export function insideTry(node) {
    for (let n = node.parent; n !== null; n = n.parent) {
        if (n.type === 'statement_block' && n.parent?.type === 'try_statement') {
            return true;
        }
    }
    return false;
}
