# Installs VEXO SOLVANE 23 for the current Windows user, without elevation.
#
# setup.exe runs this script with Windows PowerShell from the folder it
# extracted its payloads to; the launcher, the icon and the uninstaller lie
# next to it. Each of them is copied into the release folder under a ".new"
# name, checked against its source by SHA-256 and only then moved over the
# file of an earlier installation, so a file is only ever replaced by a
# complete, verified copy. Then come the two shortcuts and the uninstall
# entry that Windows' list of apps shows.
#
# Exit code: 0 when the product was installed or the user declined; 1 when a
# step failed, after the user was shown the error. Nothing done before a
# failure is undone: running the installer again completes it.

$ErrorActionPreference = 'Stop'
Add-Type -AssemblyName System.Windows.Forms
[System.Windows.Forms.Application]::EnableVisualStyles()

$setupCaption = 'VEXO SOLVANE Setup'
$productCaption = 'VEXO SOLVANE'

# A message box without owner window; returns the button the user chose.
function Show-Message([string] $text, [string] $caption, [string] $buttons, [string] $icon) {
    return [System.Windows.Forms.MessageBox]::Show($text, $caption,
        [System.Windows.Forms.MessageBoxButtons] $buttons, [System.Windows.Forms.MessageBoxIcon] $icon)
}

# A folder the installation is placed under. An empty one would silently move
# the product to the root of the current drive, so it stops the installation.
function Get-RequiredFolder([string] $path, [string] $what) {
    if ([string]::IsNullOrEmpty($path)) {
        throw "$what is not available"
    }
    return $path
}

$answer = Show-Message "تثبيت VEXO SOLVANE 23 لحسابك الحالي؟`r`nسيضاف اختصار بسطح المكتب وقائمة ابدأ، وخيار إزالة من إعدادات التطبيقات." $setupCaption 'YesNo' 'Question'
if ($answer -ne [System.Windows.Forms.DialogResult]::Yes) {
    exit 0
}

try {
    $localAppData = Get-RequiredFolder $env:LOCALAPPDATA 'The LOCALAPPDATA folder'
    $productFolder = $localAppData + '\Programs\VexoSolvane'
    $releaseFolder = $productFolder + '\app-23'
    $installedProgram = $releaseFolder + '\VexoSolvane.exe'
    $installedIcon = $releaseFolder + '\VexoSolvane.ico'
    $installedUninstaller = $releaseFolder + '\Uninstall.ps1'

    [System.IO.Directory]::CreateDirectory($releaseFolder) | Out-Null

    foreach ($name in @('VexoSolvane.exe', 'VexoSolvane.ico', 'Uninstall.ps1')) {
        $source = $PSScriptRoot + '\' + $name
        $target = $releaseFolder + '\' + $name
        $staged = $target + '.new'
        Copy-Item -LiteralPath $source -Destination $staged -Force
        $sourceHash = (Get-FileHash -LiteralPath $source -Algorithm SHA256).Hash
        $stagedHash = (Get-FileHash -LiteralPath $staged -Algorithm SHA256).Hash
        if ($sourceHash -ne $stagedHash) {
            throw 'تعذر التحقق من سلامة الملف'
        }
        # Fails while the installed program runs: the verified ".new" copy
        # stays, and the next run after the program was closed completes.
        Move-Item -LiteralPath $staged -Destination $target -Force
    }

    $shell = New-Object -ComObject WScript.Shell
    $desktopFolder = Get-RequiredFolder ([Environment]::GetFolderPath('Desktop')) 'The Desktop folder'
    $programsFolder = Get-RequiredFolder ([Environment]::GetFolderPath('Programs')) 'The Start menu Programs folder'
    foreach ($folder in @($desktopFolder, $programsFolder)) {
        # Opening an existing shortcut would keep whatever else it carries
        # (arguments, a hot key): an earlier one is replaced by a new one.
        $link = $folder + '\Vexo Solvane.lnk'
        if (Test-Path -LiteralPath $link) {
            Remove-Item -LiteralPath $link -Force
        }
        $shortcut = $shell.CreateShortcut($link)
        $shortcut.TargetPath = $installedProgram
        $shortcut.WorkingDirectory = $releaseFolder
        $shortcut.IconLocation = $installedIcon + ',0'
        $shortcut.Description = 'VEXO SOLVANE — إدارة الملفات والتطبيقات'
        $shortcut.Save()
    }

    # Windows' list of apps shows the size in KB; a half goes to the even
    # number. Only the program file counts.
    $programBytes = (Get-Item -LiteralPath $installedProgram).Length
    $estimatedSize = [int][Math]::Round($programBytes / 1024, [MidpointRounding]::ToEven)

    $windowsFolder = Get-RequiredFolder $env:WINDIR 'The WINDIR folder'
    $uninstallCommand = '"' + $windowsFolder + '\System32\WindowsPowerShell\v1.0\powershell.exe"' +
        ' -NoProfile -STA -ExecutionPolicy Bypass -File "' + $installedUninstaller + '"'

    # The key is made afresh, so no value of an earlier installation survives.
    $entryKey = 'Software\Microsoft\Windows\CurrentVersion\Uninstall\VexoSolvane'
    $currentUser = [Microsoft.Win32.Registry]::CurrentUser
    $currentUser.DeleteSubKeyTree($entryKey, $false)
    $entry = $currentUser.CreateSubKey($entryKey)
    try {
        $values = @(
            @('DisplayName', 'String', 'VEXO SOLVANE'),
            @('DisplayVersion', 'String', '23.0'),
            @('Publisher', 'String', 'Vexo Store'),
            @('InstallLocation', 'String', $releaseFolder),
            @('DisplayIcon', 'String', $installedIcon),
            @('UninstallString', 'String', $uninstallCommand),
            @('NoModify', 'DWord', 1),
            @('NoRepair', 'DWord', 1),
            @('EstimatedSize', 'DWord', $estimatedSize)
        )
        foreach ($value in $values) {
            $entry.SetValue($value[0], $value[2], [Microsoft.Win32.RegistryValueKind] $value[1])
        }
    }
    finally {
        $entry.Close()
    }

    $answer = Show-Message "اكتمل التثبيت.`r`nتلقى أيقونة Vexo Solvane بسطح المكتب. تريد تفتحه الآن؟" $productCaption 'YesNo' 'Information'
    if ($answer -eq [System.Windows.Forms.DialogResult]::Yes) {
        # Through the shell, not awaited; the program inherits this script's
        # working folder.
        Start-Process -FilePath $installedProgram
    }
}
catch {
    Show-Message ("تعذر إكمال التثبيت. سكّر النسخة المفتوحة وحاول مجدداً.`r`n" + $_.Exception.Message) $setupCaption 'OK' 'Error' | Out-Null
    exit 1
}
exit 0
