// Checks the installer and the uninstaller without running them (Windows
// PowerShell does not run here):
//   node check_scripts.mjs parse FILE...     UTF-8 with a byte-order mark, and
//                                            no syntax error for the grammar
//   node check_scripts.mjs install FILE      Install.ps1's texts and values
//   node check_scripts.mjs uninstall FILE    Uninstall.ps1's texts and values
// Prints one line per problem and ends with status 1 when there is one.
// What the scripts do on Windows is tried there before a release.

import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { Script, Unknown, insideTry } from './powershell_source.mjs';

const RELEASE = '%LOCALAPPDATA%\\Programs\\VexoSolvane\\app-23';
const PROGRAM = `${RELEASE}\\VexoSolvane.exe`;
const ICON = `${RELEASE}\\VexoSolvane.ico`;
const UNINSTALLER = `${RELEASE}\\Uninstall.ps1`;
const ENTRY_KEY = 'Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VexoSolvane';
const SHORTCUT_FOLDERS = ['{Desktop}', '{Programs}'];
const SHORTCUT = '{folder}\\Vexo Solvane.lnk';
const SETUP_CAPTION = 'VEXO SOLVANE Setup';
const PRODUCT_CAPTION = 'VEXO SOLVANE';

const problems = [];

function expect(what, actual, wanted) {
    const same = JSON.stringify(actual) === JSON.stringify(wanted);
    if (!same) {
        problems.push(`${what}: ${show(actual)}, not ${show(wanted)}`);
    }
    return same;
}

function show(value) {
    if (value instanceof Unknown) {
        return `the expression ${value.text}`;
    }
    return JSON.stringify(value, (_, v) => (v instanceof Unknown ? `<${v.text}>` : v));
}

// The message boxes of a script in source order: text, caption, buttons, icon.
function messageBoxes(script) {
    return script.commands('Show-Message').map(call => call.positional);
}

function syntax(script) {
    for (const problem of script.problems) {
        problems.push(`${script.file}: ${problem}`);
    }
    for (const error of script.syntaxErrors()) {
        problems.push(`${script.file}: syntax error at ${error}`);
    }
}

// The grammar must reject what Windows PowerShell rejects, or a passing
// parse would say nothing.
async function grammarRejectsBrokenScript() {
    const file = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'vexo-ps-')), 'broken.ps1');
    fs.writeFileSync(file, '\ufeffif ($a -eq 1) {\n    exit 0\n');
    const broken = await Script.load(file);
    fs.rmSync(path.dirname(file), { recursive: true });
    if (broken.syntaxErrors().length === 0) {
        problems.push('the grammar accepts an if statement without its closing brace');
    }
}

function checkInstall(script) {
    expect('message boxes (text, caption, buttons, icon)', messageBoxes(script), [
        ['تثبيت VEXO SOLVANE 23 لحسابك الحالي؟\r\nسيضاف اختصار بسطح المكتب وقائمة ابدأ، وخيار إزالة من إعدادات التطبيقات.',
         SETUP_CAPTION, 'YesNo', 'Question'],
        ['اكتمل التثبيت.\r\nتلقى أيقونة Vexo Solvane بسطح المكتب. تريد تفتحه الآن؟',
         PRODUCT_CAPTION, 'YesNo', 'Information'],
        ['تعذر إكمال التثبيت. سكّر النسخة المفتوحة وحاول مجدداً.\r\n{error}', SETUP_CAPTION, 'OK', 'Error'],
    ]);

    // Release folder and the verified copies.
    expect('folders created', script.invocations('CreateDirectory').map(i => i.args), [[RELEASE]]);
    const copies = script.loops().filter(l => l.variable === '$name');
    expect('files copied, in order', copies.map(l => l.items),
           [['VexoSolvane.exe', 'VexoSolvane.ico', 'Uninstall.ps1']]);
    const staged = `${RELEASE}\\{name}.new`;
    expect('copies (from, to)',
           script.commands('Copy-Item').map(c => [c.parameters.LiteralPath, c.parameters.Destination]),
           [['{script folder}\\{name}', staged]]);
    expect('digests (file, algorithm)',
           script.commands('Get-FileHash').map(c => [c.parameters.LiteralPath, c.parameters.Algorithm]),
           [['{script folder}\\{name}', 'SHA256'], [staged, 'SHA256']]);
    expect('moves (from, to)',
           script.commands('Move-Item').map(c => [c.parameters.LiteralPath, c.parameters.Destination, c.parameters.Force]),
           [[staged, `${RELEASE}\\{name}`, true]]);
    // (An unavailable folder's error names the folder; it is no fixed text.)
    expect('fixed error texts', script.thrown().map(t => t.text).filter(t => typeof t === 'string'),
           ['تعذر التحقق من سلامة الملف']);

    // Shortcuts.
    expect('shortcut folders, in order', script.loops().filter(l => l.variable === '$folder').map(l => l.items),
           [SHORTCUT_FOLDERS]);
    expect('shortcuts opened', script.invocations('CreateShortcut').map(i => i.args), [[SHORTCUT]]);
    for (const [property, wanted] of [['TargetPath', PROGRAM], ['WorkingDirectory', RELEASE],
                                      ['IconLocation', `${ICON},0`],
                                      ['Description', 'VEXO SOLVANE — إدارة الملفات والتطبيقات']]) {
        expect(`shortcut ${property}`, script.propertyAssignments(property), [wanted]);
    }
    expect('shortcut arguments set', script.propertyAssignments('Arguments'), []);

    // Uninstall entry: the key made afresh, then the nine values.
    expect('keys deleted', script.invocations('DeleteSubKeyTree').map(i => i.args), [[ENTRY_KEY, new Unknown('$false')]]);
    expect('keys created', script.invocations('CreateSubKey').map(i => i.args), [[ENTRY_KEY]]);
    const command = `"%WINDIR%\\System32\\WindowsPowerShell\\v1.0\\powershell.exe" -NoProfile -STA -ExecutionPolicy Bypass -File "${UNINSTALLER}"`;
    const tables = script.tables();
    if (expect('uninstall value tables', tables.length, 1)) {
        const values = tables[0];
        const size = values.find(v => v[0] === 'EstimatedSize');
        expect('uninstall values (name, type, content)', values.map(v => (v === size ? v.slice(0, 2) : v)), [
            ['DisplayName', 'String', 'VEXO SOLVANE'],
            ['DisplayVersion', 'String', '23.0'],
            ['Publisher', 'String', 'Vexo Store'],
            ['InstallLocation', 'String', RELEASE],
            ['DisplayIcon', 'String', ICON],
            ['UninstallString', 'String', command],
            ['NoModify', 'DWord', 1],
            ['NoRepair', 'DWord', 1],
            ['EstimatedSize', 'DWord'],
        ]);
        // The size in KB of the program file alone, a half to the even number.
        const sizeText = size && size[2] instanceof Unknown ? size[2].text : '';
        const sizeExpression = script.assigned.get(sizeText.toLowerCase())?.[0]?.text ?? sizeText;
        if (!/\[Math\]::Round\(\$\w+ \/ 1024, \[MidpointRounding\]::ToEven\)/.test(sizeExpression)) {
            problems.push(`EstimatedSize is ${JSON.stringify(sizeExpression)}, not bytes / 1024 rounded to even`);
        }
        const bytes = sizeExpression.match(/Round\((\$\w+)/)?.[1];
        const measured = bytes ? script.assigned.get(bytes.toLowerCase())?.[0]?.text ?? '' : '';
        if (!measured.includes('$installedProgram')) {
            problems.push(`EstimatedSize measures ${JSON.stringify(measured)}, not the installed program`);
        }
    }
    expect('programs started', script.commands('Start-Process').map(c => [c.parameters.FilePath, c.parameters.Wait ?? false]),
           [[PROGRAM, false]]);
}

function checkUninstall(script) {
    const boxes = messageBoxes(script);
    expect('message boxes (text, caption, buttons, icon)', boxes, [
        ['إزالة VEXO SOLVANE من هذا الحساب؟ ملفاتك الشخصية وتقارير التنظيف تبقى محفوظة.',
         PRODUCT_CAPTION, 'YesNo', 'Question'],
        ['تمت إزالة التطبيق. ملفاتك وتقاريرك لم تُحذف.', PRODUCT_CAPTION, 'OK', 'Information'],
        ['{error}', PRODUCT_CAPTION, 'OK', 'Error'],
    ]);

    // The location check comes first, outside the error box's reach.
    const thrown = script.thrown();
    expect('errors raised', thrown.map(t => t.text),
           ['Unexpected uninstall location', 'سكّر تطبيق Vexo Solvane أولاً ثم أعد إزالة التثبيت.']);
    const location = thrown.find(t => t.text === 'Unexpected uninstall location');
    const firstBox = script.commands('Show-Message')[0];
    if (location && (insideTry(location.node) ||
                     (firstBox && location.node.startIndex > firstBox.node.startIndex))) {
        problems.push('the location check does not stop before any question or message box');
    }
    expect('full paths compared for the location', script.invocations('GetFullPath').map(i => i.args),
           [['{script folder}'], [RELEASE]]);

    expect('processes looked up', script.commands('Get-Process').map(c => c.parameters.Name), ['VexoSolvane']);
    expect('paths compared (what, with)', script.commands('Test-SamePath').map(c => c.positional),
           [[new Unknown('$_.Path'), PROGRAM], [`{target of ${SHORTCUT}}`, PROGRAM]]);

    expect('shortcut folders, in order', script.loops().filter(l => l.variable === '$folder').map(l => l.items),
           [SHORTCUT_FOLDERS]);
    expect('shortcuts opened', script.invocations('CreateShortcut').map(i => i.args), [[SHORTCUT]]);

    expect('files deleted, errors ignored', script.loops().filter(l => l.variable === '$file').map(l => l.items),
           [[PROGRAM, ICON]]);
    expect('deletions (path, read-only too)',
           script.commands('Remove-Item').map(c => [c.parameters.LiteralPath, c.parameters.Force]),
           [[SHORTCUT, true], ['{file}', true], [UNINSTALLER, true]]);
    expect('keys deleted', script.invocations('DeleteSubKeyTree').map(i => i.args), [[ENTRY_KEY, new Unknown('$false')]]);
    expect('folders looked into', script.invocations('GetFileSystemEntries').map(i => i.args), [[RELEASE]]);
    expect('folders deleted', script.invocations('Delete').map(i => i.args), [[RELEASE, new Unknown('$false')]]);
}

const [mode, ...files] = process.argv.slice(2);
const scripts = await Promise.all(files.map(f => Script.load(f)));
switch (mode) {
case 'parse':
    await grammarRejectsBrokenScript();
    scripts.forEach(syntax);
    break;
case 'install':
    scripts.forEach(checkInstall);
    break;
case 'uninstall':
    scripts.forEach(checkUninstall);
    break;
default:
    console.error('usage: node check_scripts.mjs parse|install|uninstall FILE...');
    process.exit(2);
}
if (files.length === 0) {
    problems.push('no script given');
}
for (const problem of problems) {
    console.log(problem);
}
process.exit(problems.length === 0 ? 0 : 1);
