# Removes VEXO SOLVANE 23 from the current Windows user's account.
#
# Windows runs this script through the uninstall entry's command line from
# the release folder the installer made. It removes the program, its icon,
# the shortcuts that still point at the program, the uninstall entry, itself
# and then the release folder if nothing else is left in it. The user's own
# files and the application's data folder (VexoTolvik) stay.
#
# Exit code: 0 when the product was removed or the user declined; 1 when a
# step failed or the script does not lie in the release folder.

$ErrorActionPreference = 'Stop'

# An empty LOCALAPPDATA would name a folder at the root of the current drive;
# then no location can be the expected one.
$localAppData = $env:LOCALAPPDATA
$releaseFolder = $localAppData + '\Programs\VexoSolvane\app-23'
$installedProgram = $releaseFolder + '\VexoSolvane.exe'
$installedIcon = $releaseFolder + '\VexoSolvane.ico'
$uninstaller = $releaseFolder + '\Uninstall.ps1'
$entryKey = 'Software\Microsoft\Windows\CurrentVersion\Uninstall\VexoSolvane'

# A copy of this script anywhere else removes nothing and asks nothing: the
# error goes to the console and the exit code is 1.
$ownFolder = [System.IO.Path]::GetFullPath($PSScriptRoot).TrimEnd('\')
if ([string]::IsNullOrEmpty($localAppData) -or
    -not [string]::Equals($ownFolder, [System.IO.Path]::GetFullPath($releaseFolder).TrimEnd('\'),
        [StringComparison]::OrdinalIgnoreCase)) {
    throw 'Unexpected uninstall location'
}

Add-Type -AssemblyName System.Windows.Forms
[System.Windows.Forms.Application]::EnableVisualStyles()

$caption = 'VEXO SOLVANE'

# A message box without owner window; returns the button the user chose.
function Show-Message([string] $text, [string] $caption, [string] $buttons, [string] $icon) {
    return [System.Windows.Forms.MessageBox]::Show($text, $caption,
        [System.Windows.Forms.MessageBoxButtons] $buttons, [System.Windows.Forms.MessageBoxIcon] $icon)
}

function Test-SamePath([string] $a, [string] $b) {
    return [string]::Equals($a, $b, [StringComparison]::OrdinalIgnoreCase)
}

$answer = Show-Message 'إزالة VEXO SOLVANE من هذا الحساب؟ ملفاتك الشخصية وتقارير التنظيف تبقى محفوظة.' $caption 'YesNo' 'Question'
if ($answer -ne [System.Windows.Forms.DialogResult]::Yes) {
    exit 0
}

try {
    # Only the installed program counts: a program of the same name started
    # from another folder does not keep this one from being removed. While
    # the application is open, its launcher is such a process.
    $running = @(Get-Process -Name 'VexoSolvane' -ErrorAction SilentlyContinue |
        Where-Object { Test-SamePath $_.Path $installedProgram })
    if ($running.Count -gt 0) {
        throw 'سكّر تطبيق Vexo Solvane أولاً ثم أعد إزالة التثبيت.'
    }

    # A shortcut the user pointed at another program is the user's own.
    $shell = New-Object -ComObject WScript.Shell
    foreach ($folder in @([Environment]::GetFolderPath('Desktop'), [Environment]::GetFolderPath('Programs'))) {
        if ([string]::IsNullOrEmpty($folder)) {
            continue
        }
        $link = $folder + '\Vexo Solvane.lnk'
        if (Test-Path -LiteralPath $link -PathType Leaf) {
            $target = $shell.CreateShortcut($link).TargetPath
            if (Test-SamePath $target $installedProgram) {
                Remove-Item -LiteralPath $link -Force
            }
        }
    }

    # Neither a file that cannot be deleted nor an entry that cannot be
    # removed stops the run.
    foreach ($file in @($installedProgram, $installedIcon)) {
        try {
            Remove-Item -LiteralPath $file -Force
        }
        catch {
        }
    }
    try {
        [Microsoft.Win32.Registry]::CurrentUser.DeleteSubKeyTree($entryKey, $false)
    }
    catch {
    }

    Remove-Item -LiteralPath $uninstaller -Force

    # Windows refuses to remove the working folder of a running process, and
    # the script may have been started in the release folder: the product
    # folder above it stays in any case.
    [System.IO.Directory]::SetCurrentDirectory([System.IO.Path]::GetDirectoryName($releaseFolder))
    # Hidden and system entries count: anything left keeps the folder.
    if ([System.IO.Directory]::GetFileSystemEntries($releaseFolder).Length -eq 0) {
        [System.IO.Directory]::Delete($releaseFolder, $false)
    }

    Show-Message 'تمت إزالة التطبيق. ملفاتك وتقاريرك لم تُحذف.' $caption 'OK' 'Information' | Out-Null
}
catch {
    Show-Message $_.Exception.Message $caption 'OK' 'Error' | Out-Null
    exit 1
}
exit 0
