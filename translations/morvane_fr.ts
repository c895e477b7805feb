<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Norvik Software Homepage</source>
        <translation>Site web de Norvik Software</translation>
    </message>
    <message>
        <source>Technical Support</source>
        <translation>Assistance technique</translation>
    </message>
    <message>
        <source>Check Update</source>
        <translation>Rechercher une mise à jour</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>BatchCli</name>
    <message>
        <source>unknown option %1</source>
        <translation>option inconnue %1</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 demande une valeur</translation>
    </message>
    <message>
        <source>%1 takes how many files to convert at once, from 1 to %2, not &quot;%3&quot;</source>
        <translation>%1 attend le nombre de fichiers à convertir en même temps, de 1 à %2, et non &quot;%3&quot;</translation>
    </message>
    <message>
        <source>the output folder must not be empty</source>
        <translation>le dossier de sortie ne doit pas être vide</translation>
    </message>
    <message>
        <source>%1 cannot be negative: &quot;%2&quot;</source>
        <translation>%1 ne peut pas être négatif&#xa0;: &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1 takes a time as HH:MM:SS, not &quot;%2&quot;</source>
        <translation>%1 attend une durée au format HH:MM:SS, et non &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1 cannot be combined with another mode</source>
        <translation>%1 ne peut pas être combiné avec un autre mode</translation>
    </message>
    <message>
        <source>--probe needs at least one FILE</source>
        <translation>--probe demande au moins un FICHIER (FILE)</translation>
    </message>
    <message>
        <source>no FILE given</source>
        <translation>aucun FICHIER (FILE) indiqué</translation>
    </message>
    <message>
        <source>unexpected argument %1</source>
        <translation>argument inattendu %1</translation>
    </message>
    <message>
        <source>-p, -o, -j, --start and --end go with conversions only</source>
        <translation>-p, -o, -j, --start et --end ne s&apos;emploient que pour les conversions</translation>
    </message>
    <message>
        <source>--json goes with conversions and --list-profiles only</source>
        <translation>--json ne s&apos;emploie qu&apos;avec les conversions et --list-profiles</translation>
    </message>
    <message>
        <source>usage: morvane-batch [-p NAME|ID] [-o DIR] [--start HH:MM:SS] [--end HH:MM:SS] [-j N] [--json]
                     [--journal FILE] FILE...
       morvane-batch --list-profiles [--json]
       morvane-batch --show-profile NAME
       morvane-batch --probe FILE...
       morvane-batch --help | --version

Converts the FILEs with profile NAME (default: the profile chosen last in the program) into
folder DIR (default: the Output folder of config.ini). --start and --end cut every file. A
profile&apos;s ID is its file name without &quot;.pf&quot; (--list-profiles --json shows both).
-j N converts N files at once (1 to 16, default 2), each with its own converter, starting in
the order given; -j 1 converts one after another. A failure lets the running files finish
and starts no more. Profiles that share a Name are listed with their file beside it; a NAME
or ID that could mean more than one profile is refused.
--json writes one JSON object per line on standard output (events &quot;added&quot;, &quot;skipped&quot;,
&quot;progress&quot;, &quot;finished&quot; and &quot;end&quot;); messages and the result table go to standard error.
--journal FILE records each file&apos;s outcome in FILE as it ends (one JSON line, flushed to disk);
run again with the same FILE, files already converted there from the same source (size and
time unchanged) with the same profile, settings, cut and output folder, whose output is still
there, are skipped and reported as such. A batch cut off at any point can so be run again.
Ctrl-C stops the running conversions and the batch; a second Ctrl-C ends at once.
Exit status: 0 when every file was converted, 1 when any failed or was stopped, 2 for usage errors.

--probe prints one line per FILE as the program reads it when the file is added:
  duration     length in seconds, one second added as the file list counts it
  width height picture size in pixels (0 without a picture)
  video audio  1 when the file has such a stream, else 0
  frameserver  1 when the file may be read through the frame-server script
</source>
        <translation>usage&#xa0;: morvane-batch [-p NAME|ID] [-o DIR] [--start HH:MM:SS] [--end HH:MM:SS] [-j N] [--json]
                      [--journal FILE] FILE...
        morvane-batch --list-profiles [--json]
        morvane-batch --show-profile NAME
        morvane-batch --probe FILE...
        morvane-batch --help | --version

Convertit les fichiers (FILE) avec le profil NAME (par défaut&#xa0;: le dernier profil choisi dans le programme)
dans le dossier DIR (par défaut&#xa0;: le dossier de sortie de config.ini). --start et --end coupent chaque
fichier. L&apos;ID d&apos;un profil est son nom de fichier sans &quot;.pf&quot; (--list-profiles --json affiche les deux).
-j N convertit N fichiers à la fois (1 à 16, 2 par défaut), chacun avec son propre convertisseur, dans
l&apos;ordre donné&#xa0;; -j 1 les convertit l&apos;un après l&apos;autre. Après un échec, les fichiers en cours se terminent
et aucun autre ne commence. Les profils qui partagent un nom sont listés avec leur fichier à côté&#xa0;; un
NAME ou un ID qui pourrait désigner plusieurs profils est refusé.
--json écrit un objet JSON par ligne sur la sortie standard (événements &quot;added&quot;, &quot;skipped&quot;,
&quot;progress&quot;, &quot;finished&quot; et &quot;end&quot;)&#xa0;; les messages et le tableau des résultats vont sur la sortie d&apos;erreur.
--journal FILE note dans FILE le résultat de chaque fichier à sa fin (une ligne JSON, écrite sur disque)&#xa0;;
relancé avec le même FILE, les fichiers déjà convertis à partir de la même source (taille et date
inchangées) avec le même profil, les mêmes réglages, la même coupe et le même dossier de sortie, dont la
sortie existe encore, sont sautés et signalés comme tels. Un lot interrompu à tout moment peut ainsi
être relancé.
Ctrl-C arrête les conversions en cours et le lot&#xa0;; un second Ctrl-C quitte aussitôt.
Code de retour&#xa0;: 0 si chaque fichier a été converti, 1 si l&apos;un a échoué ou a été arrêté, 2 pour les
erreurs d&apos;utilisation.

--probe affiche une ligne par fichier (FILE), tel que le programme le lit quand il est ajouté&#xa0;:
  duration     durée en secondes, une seconde ajoutée comme le compte la liste des fichiers
  width height taille de l&apos;image en pixels (0 sans image)
  video audio  1 si le fichier a un tel flux, sinon 0
  frameserver  1 si le fichier peut être lu par le script du serveur d&apos;images
</translation>
    </message>
    <message>
        <source>the journal file must not be empty</source>
        <translation>le fichier journal ne doit pas être vide</translation>
    </message>
    <message>
        <source>--journal goes with conversions only</source>
        <translation>--journal ne s&apos;emploie que pour les conversions</translation>
    </message>
</context>
<context>
    <name>BatchDriver</name>
    <message>
        <source>Convert fail! No trace file could be written (not as &quot;%1&quot;, nor in a temporary folder), so the reason was not recorded. Please tell %2 what you converted</source>
        <translation>Échec de la conversion&#xa0;! Aucun fichier de trace n&apos;a pu être écrit (ni sous &quot;%1&quot;, ni dans un dossier temporaire), la cause n&apos;a donc pas été enregistrée. Veuillez indiquer à %2 ce que vous avez converti</translation>
    </message>
    <message>
        <source>Convert fail! Please send the trace file &quot;%1&quot; to %2</source>
        <translation>Échec de la conversion&#xa0;! Veuillez envoyer le fichier de trace &quot;%1&quot; à %2</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; cannot be used: a name in its path is %2 bytes long, and a file system holds names of at most %3 bytes. Choose a shorter output folder.</source>
        <translation>Le dossier de sortie &quot;%1&quot; ne peut pas être utilisé&#xa0;: un nom de son chemin fait %2 octets, alors qu&apos;un système de fichiers n&apos;accepte que des noms d&apos;au plus %3 octets. Choisissez un dossier de sortie plus court.</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; cannot be used: its path is %2 bytes long, and output files (of names up to %3 bytes) are written into folders of at most %4 bytes. Choose a shorter output folder.</source>
        <translation>Le dossier de sortie &quot;%1&quot; ne peut pas être utilisé&#xa0;: son chemin fait %2 octets, alors que les fichiers de sortie (aux noms d&apos;au plus %3 octets) sont écrits dans des dossiers d&apos;au plus %4 octets. Choisissez un dossier de sortie plus court.</translation>
    </message>
    <message>
        <source>There is no selected file in list! </source>
        <translation>Aucun fichier n&apos;est sélectionné dans la liste&#xa0;! </translation>
    </message>
    <message>
        <source>  Stop the video convert operation?   </source>
        <translation>  Arrêter la conversion vidéo&#xa0;?   </translation>
    </message>
    <message>
        <source>    Mission accomplished!        </source>
        <translation>    Mission accomplie&#xa0;!        </translation>
    </message>
    <message>
        <source>Encounter a problem,please Restart !!!</source>
        <translation>Un problème est survenu, veuillez redémarrer&#xa0;!!!</translation>
    </message>
    <message>
        <source>the output file &quot;%1&quot; is missing or empty</source>
        <translation>le fichier de sortie &quot;%1&quot; est absent ou vide</translation>
    </message>
    <message>
        <source>the row has no conversion job</source>
        <translation>la ligne n&apos;a pas de tâche de conversion</translation>
    </message>
    <message>
        <source>The computer will shut down in %1 seconds.</source>
        <translation>L&apos;ordinateur s&apos;éteindra dans %1 secondes.</translation>
    </message>
    <message>
        <source>The computer could not be shut down: %1</source>
        <translation>L&apos;ordinateur n&apos;a pas pu être éteint&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>BatchJournal</name>
    <message>
        <source>cannot open the journal &quot;%1&quot;: %2</source>
        <translation>impossible d&apos;ouvrir le journal &quot;%1&quot;&#xa0;: %2</translation>
    </message>
    <message>
        <source>the journal &quot;%1&quot; is not a regular file</source>
        <translation>le journal &quot;%1&quot; n&apos;est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>cannot read the journal &quot;%1&quot;: %2</source>
        <translation>impossible de lire le journal &quot;%1&quot;&#xa0;: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a journal of morvane-batch; it is left as it is</source>
        <translation>&quot;%1&quot; n&apos;est pas un journal de morvane-batch&#xa0;; il est laissé tel quel</translation>
    </message>
    <message>
        <source>cannot write the journal &quot;%1&quot;: %2</source>
        <translation>impossible d&apos;écrire le journal &quot;%1&quot;&#xa0;: %2</translation>
    </message>
</context>
<context>
    <name>BatchMain</name>
    <message>
        <source>no profile is named &quot;%1&quot;</source>
        <translation>aucun profil ne s&apos;appelle &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Close matches:</source>
        <translation>Noms proches&#xa0;:</translation>
    </message>
    <message>
        <source>Use --list-profiles to see them all.</source>
        <translation>--list-profiles les affiche tous.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could be any of %2 profiles:</source>
        <translation>&quot;%1&quot; peut désigner l&apos;un de %2 profils&#xa0;:</translation>
    </message>
    <message>
        <source>Name one as --list-profiles shows it.</source>
        <translation>Indiquez-en un tel que --list-profiles l&apos;affiche.</translation>
    </message>
    <message>
        <source>Quitting.</source>
        <translation>Fin du programme.</translation>
    </message>
    <message>
        <source>the conversion engine could not be started</source>
        <translation>le moteur de conversion n&apos;a pas pu démarrer</translation>
    </message>
    <message>
        <source>no profile is chosen in config.ini; name one with -p (--list-profiles shows them)</source>
        <translation>aucun profil n&apos;est choisi dans config.ini&#xa0;; indiquez-en un avec -p (--list-profiles les affiche)</translation>
    </message>
    <message>
        <source>nothing to convert</source>
        <translation>rien à convertir</translation>
    </message>
    <message>
        <source>	(unavailable: %1)</source>
        <translation>	(indisponible&#xa0;: %1)</translation>
    </message>
    <message>
        <source>Stopping: the running conversion is abandoned and nothing unfinished is kept; press Ctrl-C again to quit at once.</source>
        <translation>Arrêt en cours&#xa0;: la conversion en cours est abandonnée et rien d&apos;inachevé n&apos;est gardé&#xa0;; appuyez de nouveau sur Ctrl-C pour quitter aussitôt.</translation>
    </message>
</context>
<context>
    <name>BatchProgress</name>
    <message>
        <source>less than a minute left</source>
        <translation>moins d&apos;une minute restante</translation>
    </message>
    <message>
        <source>about %1 min left</source>
        <translation>environ %1 min restantes</translation>
    </message>
    <message>
        <source>about %1 h left</source>
        <translation>environ %1 h restantes</translation>
    </message>
    <message>
        <source>about %1 h %2 min left</source>
        <translation>environ %1 h %2 min restantes</translation>
    </message>
    <message>
        <source>Conversion failed</source>
        <translation>Échec de la conversion</translation>
    </message>
    <message>
        <source>Conversion stopped</source>
        <translation>Conversion arrêtée</translation>
    </message>
    <message>
        <source>Conversion finished</source>
        <translation>Conversion terminée</translation>
    </message>
    <message>
        <source>1 file converted</source>
        <translation>1 fichier converti</translation>
    </message>
    <message>
        <source>%1 files converted</source>
        <translation>%1 fichiers convertis</translation>
    </message>
    <message>
        <source>, %1 failed</source>
        <translation>, %1 en échec</translation>
    </message>
    <message>
        <source>, %1 stopped</source>
        <translation>, %1 arrêtés</translation>
    </message>
</context>
<context>
    <name>CliBatchView</name>
    <message>
        <source>Reason: %1</source>
        <translation>Cause&#xa0;: %1</translation>
    </message>
    <message>
        <source> | all </source>
        <translation> | total </translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>Cible</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Début</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Already converted (journal): %1 -&gt; %2</source>
        <translation>Déjà converti (journal)&#xa0;: %1 -&gt; %2</translation>
    </message>
</context>
<context>
    <name>ConfigureDialog</name>
    <message>
        <source>Configure</source>
        <translation>Configuration</translation>
    </message>
</context>
<context>
    <name>DesktopActions</name>
    <message>
        <source>The help file is missing:
</source>
        <translation>Le fichier d&apos;aide est introuvable&#xa0;:
</translation>
    </message>
    <message>
        <source>No web browser could open the help file:
</source>
        <translation>Aucun navigateur web n&apos;a pu ouvrir le fichier d&apos;aide&#xa0;:
</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Simultaneous process:</source>
        <translation>Traitements simultanés&#xa0;:</translation>
    </message>
    <message>
        <source>Shutdown PC when finished.</source>
        <translation>Éteindre le PC à la fin.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Profile:</source>
        <translation>Profil&#xa0;:</translation>
    </message>
    <message>
        <source>Output:</source>
        <translation>Sortie&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Parcourir...</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Ouvrir</translation>
    </message>
    <message>
        <source>Auto open the output folder when finished.</source>
        <translation>Ouvrir le dossier de sortie à la fin.</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Début</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>Length:</source>
        <translation>Durée&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Annuler</translation>
    </message>
    <message>
        <source>Keep the list for the next start</source>
        <translation>Garder la liste pour le prochain démarrage</translation>
    </message>
</context>
<context>
    <name>FileAdder</name>
    <message>
        <source>The file &quot;%1&quot; can not be decoded.</source>
        <translation>Le fichier &quot;%1&quot; ne peut pas être décodé.</translation>
    </message>
    <message>
        <source>its name is %1 bytes long; a file system holds names of at most %2 bytes</source>
        <translation>son nom fait %1 octets&#xa0;; un système de fichiers n&apos;accepte que des noms d&apos;au plus %2 octets</translation>
    </message>
    <message>
        <source>the name of a folder in its path is %1 bytes long; a file system holds names of at most %2 bytes</source>
        <translation>le nom d&apos;un dossier de son chemin fait %1 octets&#xa0;; un système de fichiers n&apos;accepte que des noms d&apos;au plus %2 octets</translation>
    </message>
    <message>
        <source>its path is %1 bytes long; files are converted from paths of at most %2 bytes</source>
        <translation>son chemin fait %1 octets&#xa0;; seuls les fichiers aux chemins d&apos;au plus %2 octets sont convertis</translation>
    </message>
    <message>
        <source>it is %1, not a file</source>
        <translation>c&apos;est %1, pas un fichier</translation>
    </message>
    <message>
        <source>it is not there</source>
        <translation>il n&apos;existe pas</translation>
    </message>
    <message>
        <source>it cannot be read: </source>
        <translation>il ne peut pas être lu&#xa0;: </translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; can not be added: %2.</source>
        <translation>Le fichier &quot;%1&quot; ne peut pas être ajouté&#xa0;: %2.</translation>
    </message>
</context>
<context>
    <name>FileDialog</name>
    <message>
        <source>All Files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>VCD Video file</source>
        <translation>Fichier vidéo VCD</translation>
    </message>
    <message>
        <source>Real Media File</source>
        <translation>Fichier Real Media</translation>
    </message>
    <message>
        <source>Flash Video Format</source>
        <translation>Format vidéo Flash</translation>
    </message>
    <message>
        <source>Bitmap</source>
        <translation>Bitmap</translation>
    </message>
</context>
<context>
    <name>FileIdentity</name>
    <message>
        <source>a folder</source>
        <translation>un dossier</translation>
    </message>
    <message>
        <source>a named pipe</source>
        <translation>un tube nommé</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>un socket</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>un périphérique</translation>
    </message>
</context>
<context>
    <name>FileList</name>
    <message>
        <source>Ready</source>
        <translation>Prêt</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Terminé</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>Échec</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Interrompu</translation>
    </message>
</context>
<context>
    <name>HyperlinkStatic</name>
    <message>
        <source>The operating system is out
of memory or resources.</source>
        <translation>Le système d&apos;exploitation manque
de mémoire ou de ressources.</translation>
    </message>
    <message>
        <source>The specified file was not found.</source>
        <translation>Le fichier indiqué est introuvable.</translation>
    </message>
    <message>
        <source>The specified path was not found.</source>
        <translation>Le chemin indiqué est introuvable.</translation>
    </message>
    <message>
        <source>The operating system denied
access to the specified file.</source>
        <translation>Le système d&apos;exploitation a refusé
l&apos;accès au fichier indiqué.</translation>
    </message>
    <message>
        <source>There was not enough memory to complete the operation.</source>
        <translation>La mémoire était insuffisante pour terminer l&apos;opération.</translation>
    </message>
    <message>
        <source>The .EXE file is invalid
(non-Win32 .EXE or error in .EXE image).</source>
        <translation>Le fichier .EXE n&apos;est pas valide
(.EXE non Win32 ou erreur dans l&apos;image .EXE).</translation>
    </message>
    <message>
        <source>A sharing violation occurred. </source>
        <translation>Une violation de partage s&apos;est produite. </translation>
    </message>
    <message>
        <source>The filename association is
incomplete or invalid.</source>
        <translation>L&apos;association du nom de fichier est
incomplète ou non valide.</translation>
    </message>
    <message>
        <source>The DDE transaction could not
be completed because the request timed out.</source>
        <translation>La transaction DDE n&apos;a pas pu
être terminée car la demande a expiré.</translation>
    </message>
    <message>
        <source>The DDE transaction failed.</source>
        <translation>La transaction DDE a échoué.</translation>
    </message>
    <message>
        <source>The DDE transaction could not
be completed because other DDE transactions
were being processed.</source>
        <translation>La transaction DDE n&apos;a pas pu
être terminée car d&apos;autres transactions DDE
étaient en cours.</translation>
    </message>
    <message>
        <source>There is no application associated
with the given filename extension.</source>
        <translation>Aucune application n&apos;est associée
à l&apos;extension de fichier indiquée.</translation>
    </message>
    <message>
        <source>The specified dynamic-link library was not found.</source>
        <translation>La bibliothèque dynamique indiquée est introuvable.</translation>
    </message>
    <message>
        <source>Unknown Error (%1) occurred.</source>
        <translation>Une erreur inconnue (%1) s&apos;est produite.</translation>
    </message>
    <message>
        <source>Unable to open hyperlink:

</source>
        <translation>Impossible d&apos;ouvrir le lien&#xa0;:

</translation>
    </message>
</context>
<context>
    <name>ListKeeper</name>
    <message>
        <source>The program did not close properly last time. Restore the file of the last session?</source>
        <translation>Le programme ne s&apos;est pas fermé correctement la dernière fois. Restaurer le fichier de la dernière session&#xa0;?</translation>
    </message>
    <message>
        <source>The program did not close properly last time. Restore the %1 files of the last session?</source>
        <translation>Le programme ne s&apos;est pas fermé correctement la dernière fois. Restaurer les %1 fichiers de la dernière session&#xa0;?</translation>
    </message>
    <message>
        <source>This file of the last session is no longer there and was left out:</source>
        <translation>Ce fichier de la dernière session n&apos;existe plus et a été laissé de côté&#xa0;:</translation>
    </message>
    <message>
        <source>These files of the last session are no longer there and were left out:</source>
        <translation>Ces fichiers de la dernière session n&apos;existent plus et ont été laissés de côté&#xa0;:</translation>
    </message>
    <message>
        <source>The saved file list &quot;%1&quot; cannot be used: %2.</source>
        <translation>La liste de fichiers enregistrée &quot;%1&quot; ne peut pas être utilisée&#xa0;: %2.</translation>
    </message>
    <message>
        <source> It was set aside as &quot;%1&quot;; the list starts empty.</source>
        <translation> Elle a été mise de côté sous &quot;%1&quot;&#xa0;; la liste démarre vide.</translation>
    </message>
    <message>
        <source> It could not be set aside (%1); the list starts empty and will replace it.</source>
        <translation> Elle n&apos;a pas pu être mise de côté (%1)&#xa0;; la liste démarre vide et la remplacera.</translation>
    </message>
    <message>
        <source>it is empty</source>
        <translation>elle est vide</translation>
    </message>
    <message>
        <source>it is cut short</source>
        <translation>elle est tronquée</translation>
    </message>
    <message>
        <source>it is not readable (%1)</source>
        <translation>elle est illisible (%1)</translation>
    </message>
    <message>
        <source>it is not a saved file list</source>
        <translation>ce n&apos;est pas une liste de fichiers enregistrée</translation>
    </message>
    <message>
        <source>a later version of the program wrote it (version %1)</source>
        <translation>une version plus récente du programme l&apos;a écrite (version %1)</translation>
    </message>
    <message>
        <source>it has no version this program knows</source>
        <translation>elle n&apos;a aucune version que ce programme connaisse</translation>
    </message>
    <message>
        <source>its profiles or rows are not lists</source>
        <translation>ses profils ou ses lignes ne sont pas des listes</translation>
    </message>
    <message>
        <source>it is damaged: %1</source>
        <translation>elle est endommagée&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Video File</source>
        <translation>Fichier vidéo</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>Cible</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Début</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>The convert is running, please stop convert and then exit.</source>
        <translation>La conversion est en cours. Veuillez l&apos;arrêter, puis quitter.</translation>
    </message>
    <message>
        <source>Please select output directory:</source>
        <translation>Veuillez choisir le dossier de sortie&#xa0;:</translation>
    </message>
    <message>
        <source>Rewind</source>
        <translation>Retour rapide</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêt</translation>
    </message>
    <message>
        <source>Fast forward</source>
        <translation>Avance rapide</translation>
    </message>
    <message>
        <source>Add media file to control list</source>
        <translation>Ajouter un fichier multimédia à la liste</translation>
    </message>
    <message>
        <source>Remove file from control list</source>
        <translation>Retirer le fichier de la liste</translation>
    </message>
    <message>
        <source>Split the media file</source>
        <translation>Découper le fichier multimédia</translation>
    </message>
    <message>
        <source>More...</source>
        <translation>Plus...</translation>
    </message>
    <message>
        <source>Start convert</source>
        <translation>Lancer la conversion</translation>
    </message>
    <message>
        <source>Stop convert</source>
        <translation>Arrêter la conversion</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>À &amp;propos</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Ajouter</translation>
    </message>
    <message>
        <source>&amp;Remove </source>
        <translation>&amp;Retirer </translation>
    </message>
    <message>
        <source>&amp;Remove all</source>
        <translation>Retirer &amp;tout</translation>
    </message>
    <message>
        <source>&amp;Split file</source>
        <translation>&amp;Découper le fichier</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Lire</translation>
    </message>
    <message>
        <source>  &amp;File  </source>
        <translation>  &amp;Fichier  </translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Ajouter...</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Retirer</translation>
    </message>
    <message>
        <source>&amp;Remove All</source>
        <translation>Retirer &amp;tout</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>  &amp;Edit  </source>
        <translation>  É&amp;dition  </translation>
    </message>
    <message>
        <source>&amp;Check All</source>
        <translation>&amp;Tout cocher</translation>
    </message>
    <message>
        <source>&amp;UnCheck All</source>
        <translation>Tout &amp;décocher</translation>
    </message>
    <message>
        <source>&amp;Up</source>
        <translation>&amp;Monter</translation>
    </message>
    <message>
        <source>&amp;Down</source>
        <translation>Des&amp;cendre</translation>
    </message>
    <message>
        <source> &amp;Config </source>
        <translation> &amp;Configuration </translation>
    </message>
    <message>
        <source>  &amp;Help  </source>
        <translation>  &amp;Aide  </translation>
    </message>
</context>
<context>
    <name>MediaPlugin</name>
    <message>
        <source>The media detector %1. Without it no file can be read: the files added are reported as not decodable.</source>
        <translation>Le détecteur de médias %1. Sans lui, aucun fichier ne peut être lu&#xa0;: les fichiers ajoutés sont signalés comme non décodables.</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
    <message>
        <source>Video Splitter</source>
        <translation>Découpage vidéo</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Oui</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Non</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Shut down</source>
        <translation>Extinction</translation>
    </message>
</context>
<context>
    <name>OptionTree</name>
    <message>
        <source>No Item Selected</source>
        <translation>Aucun élément sélectionné</translation>
    </message>
    <message>
        <source>Select an item to see its description.</source>
        <translation>Sélectionnez un élément pour voir sa description.</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Annuler</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>Co&amp;uper</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copier</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>C&amp;oller</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Supprimer</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>&amp;Tout sélectionner</translation>
    </message>
</context>
<context>
    <name>ParameterPanel</name>
    <message>
        <source>set the recording time</source>
        <translation>définit la durée d&apos;enregistrement</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>set the start time offset</source>
        <translation>définit le décalage de départ</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Heure de début</translation>
    </message>
    <message>
        <source>set the title</source>
        <translation>définit le titre</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>set the timestamp</source>
        <translation>définit l&apos;horodatage</translation>
    </message>
    <message>
        <source>Time stamp</source>
        <translation>Horodatage</translation>
    </message>
    <message>
        <source>set the author</source>
        <translation>définit l&apos;auteur</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Auteur</translation>
    </message>
    <message>
        <source>set the copyright</source>
        <translation>définit le copyright</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>set the comment</source>
        <translation>définit le commentaire</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Commentaire</translation>
    </message>
    <message>
        <source>set the album</source>
        <translation>définit l&apos;album</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>set video bitrate (in kbit/s)</source>
        <translation>définit le débit vidéo (en kbit/s)</translation>
    </message>
    <message>
        <source>Bit Rate</source>
        <translation>Débit</translation>
    </message>
    <message>
        <source>set frame rate (Hz value, fraction or abbreviation)</source>
        <translation>définit la fréquence d&apos;images (valeur en Hz, fraction ou abréviation)</translation>
    </message>
    <message>
        <source>Frame Rate</source>
        <translation>Images/s</translation>
    </message>
    <message>
        <source>set frame size (WxH or abbreviation)</source>
        <translation>définit la taille d&apos;image (LxH ou abréviation)</translation>
    </message>
    <message>
        <source>Video Size</source>
        <translation>Taille vidéo</translation>
    </message>
    <message>
        <source>set aspect ratio (4:3, 16:9 or 1.3333, 1.7777)</source>
        <translation>définit le format d&apos;image (4:3, 16:9 ou 1.3333, 1.7777)</translation>
    </message>
    <message>
        <source>Aspect</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>disable video</source>
        <translation>désactive la vidéo</translation>
    </message>
    <message>
        <source>Disable Video</source>
        <translation>Sans vidéo</translation>
    </message>
    <message>
        <source>force video codec (&apos;copy&apos; to copy stream)</source>
        <translation>impose le codec vidéo (&apos;copy&apos; copie le flux)</translation>
    </message>
    <message>
        <source>Video Codec</source>
        <translation>Codec vidéo</translation>
    </message>
    <message>
        <source>set audio bitrate (in kbit/s)</source>
        <translation>définit le débit audio (en kbit/s)</translation>
    </message>
    <message>
        <source>set audio sampling rate (in Hz)</source>
        <translation>définit la fréquence d&apos;échantillonnage (en Hz)</translation>
    </message>
    <message>
        <source>Sample Rate</source>
        <translation>Échantillonnage</translation>
    </message>
    <message>
        <source>set number of audio channels</source>
        <translation>définit le nombre de canaux audio</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canaux</translation>
    </message>
    <message>
        <source>disable audio</source>
        <translation>désactive le son</translation>
    </message>
    <message>
        <source>Disable Audio</source>
        <translation>Sans son</translation>
    </message>
    <message>
        <source>force audio codec (&apos;copy&apos; to copy stream)</source>
        <translation>impose le codec audio (&apos;copy&apos; copie le flux)</translation>
    </message>
    <message>
        <source>Audio Codec</source>
        <translation>Codec audio</translation>
    </message>
    <message>
        <source>set television standard (NTSC, PAL (SECAM))</source>
        <translation>définit la norme de télévision (NTSC, PAL (SECAM))</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Norme</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Général</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vidéo</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>General Options</source>
        <translation>Options générales</translation>
    </message>
    <message>
        <source>Video Options</source>
        <translation>Options vidéo</translation>
    </message>
    <message>
        <source>Audio Options</source>
        <translation>Options audio</translation>
    </message>
</context>
<context>
    <name>PlayerPlugin</name>
    <message>
        <source>The preview is unavailable: the player %1.</source>
        <translation>L&apos;aperçu n&apos;est pas disponible&#xa0;: le lecteur %1.</translation>
    </message>
</context>
<context>
    <name>Plugin</name>
    <message>
        <source>&quot;%1&quot; cannot be loaded: %2</source>
        <translation>&quot;%1&quot; ne peut pas être chargé&#xa0;: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a plugin of this version of the program</source>
        <translation>&quot;%1&quot; n&apos;est pas un greffon de cette version du programme</translation>
    </message>
</context>
<context>
    <name>PresetHealth</name>
    <message>
        <source>FFmpeg on this system has no encoder %1 (%2)</source>
        <translation>FFmpeg n&apos;a pas d&apos;encodeur %1 (%2) sur ce système</translation>
    </message>
    <message>
        <source>FFmpeg on this system cannot write the %1 container</source>
        <translation>FFmpeg ne peut pas écrire le conteneur %1 sur ce système</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Shut down now</source>
        <translation>Éteindre maintenant</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>RunReport</name>
    <message>
        <source>the converter was ended by a signal</source>
        <translation>le convertisseur a été arrêté par un signal</translation>
    </message>
    <message>
        <source>the disk of the output folder is full (No space left on device)</source>
        <translation>le disque du dossier de sortie est plein (No space left on device)</translation>
    </message>
    <message>
        <source>the source has no stream this profile converts (an audio profile needs an audio stream, a video profile a picture)</source>
        <translation>la source n&apos;a aucun flux que ce profil convertit (un profil audio demande une piste audio, un profil vidéo une image)</translation>
    </message>
    <message>
        <source>the cut starts at or after its end</source>
        <translation>la coupe commence à sa fin ou après</translation>
    </message>
    <message>
        <source>nothing was converted: the cut starts at or after the end of the source</source>
        <translation>rien n&apos;a été converti&#xa0;: la coupe commence à la fin de la source ou après</translation>
    </message>
    <message>
        <source>nothing was converted: the source is too short for one frame of this profile&apos;s encoder</source>
        <translation>rien n&apos;a été converti&#xa0;: la source est trop courte pour une image de l&apos;encodeur de ce profil</translation>
    </message>
    <message>
        <source>nothing was converted: the output would hold no picture and no sound</source>
        <translation>rien n&apos;a été converti&#xa0;: la sortie ne contiendrait ni image ni son</translation>
    </message>
    <message>
        <source>the output would replace the source</source>
        <translation>la sortie remplacerait la source</translation>
    </message>
    <message>
        <source>the output folder is a file, not a folder</source>
        <translation>le dossier de sortie est un fichier, pas un dossier</translation>
    </message>
    <message>
        <source>the output name is a folder</source>
        <translation>le nom de sortie est un dossier</translation>
    </message>
    <message>
        <source>the source ended early: the output holds %1 of the %2 its header gives (is the file complete?)</source>
        <translation>la source s&apos;est arrêtée trop tôt&#xa0;: la sortie contient %1 des %2 qu&apos;annonce son en-tête (le fichier est-il complet&#xa0;?)</translation>
    </message>
    <message>
        <source>The converter failed: %1</source>
        <translation>Le convertisseur a échoué&#xa0;: %1</translation>
    </message>
    <message>
        <source>this profile&apos;s target has no command recipe</source>
        <translation>la cible de ce profil n&apos;a pas de modèle de commande</translation>
    </message>
    <message>
        <source>the converter&apos;s command could not be made (the trace file tells why)</source>
        <translation>la commande du convertisseur n&apos;a pas pu être construite (le fichier de trace indique pourquoi)</translation>
    </message>
    <message>
        <source>stopped on request while converting; nothing was kept</source>
        <translation>arrêté à la demande pendant la conversion&#xa0;; rien n&apos;a été gardé</translation>
    </message>
    <message>
        <source>the conversion could not be prepared</source>
        <translation>la conversion n&apos;a pas pu être préparée</translation>
    </message>
    <message>
        <source>the converter could not be started</source>
        <translation>le convertisseur n&apos;a pas pu être lancé</translation>
    </message>
    <message>
        <source>the converter could not be started: %1</source>
        <translation>le convertisseur n&apos;a pas pu être lancé&#xa0;: %1</translation>
    </message>
    <message>
        <source>the conversion met an unexpected error</source>
        <translation>la conversion a rencontré une erreur inattendue</translation>
    </message>
    <message>
        <source>the converter was ended by a signal (%1)</source>
        <translation>le convertisseur a été arrêté par un signal (%1)</translation>
    </message>
    <message>
        <source>the converter failed with %1</source>
        <translation>le convertisseur a échoué&#xa0;: %1</translation>
    </message>
    <message>
        <source>nothing new was written to &quot;%1&quot;</source>
        <translation>rien de nouveau n&apos;a été écrit dans &quot;%1&quot;</translation>
    </message>
    <message>
        <source>the converter&apos;s output could not be read</source>
        <translation>la sortie du convertisseur n&apos;a pas pu être lue</translation>
    </message>
    <message>
        <source>the conversion failed (the trace file %1 tells why)</source>
        <translation>la conversion a échoué (le fichier de trace %1 en donne la raison)</translation>
    </message>
    <message>
        <source>the conversion failed (no trace file could be written)</source>
        <translation>la conversion a échoué (aucun fichier de trace n&apos;a pu être écrit)</translation>
    </message>
    <message>
        <source>the output name part &quot;%1&quot; holds a path separator, which would put the output outside the output folder (a codec or extension value of the profile)</source>
        <translation>la partie &quot;%1&quot; du nom de sortie contient un séparateur de chemin, qui placerait la sortie hors du dossier de sortie (une valeur de codec ou d&apos;extension du profil)</translation>
    </message>
    <message>
        <source>the output name part &quot;%1&quot; holds a zero byte, which would put the output outside the output folder (a codec or extension value of the profile)</source>
        <translation>la partie &quot;%1&quot; du nom de sortie contient un octet nul, qui placerait la sortie hors du dossier de sortie (une valeur de codec ou d&apos;extension du profil)</translation>
    </message>
    <message>
        <source>the output name &quot;%1&quot; names no file in the output folder</source>
        <translation>le nom de sortie &quot;%1&quot; ne désigne aucun fichier du dossier de sortie</translation>
    </message>
    <message>
        <source>RealMedia producer: %1 stopped on request</source>
        <translation>Producteur RealMedia&#xa0;: %1 arrêté à la demande</translation>
    </message>
    <message>
        <source>RealMedia producer: %1 failed (status %2)</source>
        <translation>Producteur RealMedia&#xa0;: échec de %1 (état %2)</translation>
    </message>
</context>
<context>
    <name>StartupChecks</name>
    <message>
        <source> or </source>
        <translation> ou </translation>
    </message>
    <message>
        <source>The profile &quot;%1&quot; cannot be used here: %2. Choose another profile for that file.</source>
        <translation>Le profil &quot;%1&quot; ne peut pas être utilisé ici&#xa0;: %2. Choisissez un autre profil pour ce fichier.</translation>
    </message>
    <message>
        <source>The converter &quot;%1&quot; is missing or cannot be run, so no file can be converted. Please reinstall the program.</source>
        <translation>Le convertisseur &quot;%1&quot; est absent ou ne peut pas être lancé, aucun fichier ne peut donc être converti. Veuillez réinstaller le programme.</translation>
    </message>
    <message>
        <source>FFmpeg, which does the conversions, could not be run (%1). Please install it (Debian package &quot;ffmpeg&quot;).</source>
        <translation>FFmpeg, qui effectue les conversions, n&apos;a pas pu être lancé (%1). Veuillez l&apos;installer (paquet Debian &quot;ffmpeg&quot;).</translation>
    </message>
    <message>
        <source>No profiles were found in %1, so there is nothing to convert to. Please reinstall the program.</source>
        <translation>Aucun profil n&apos;a été trouvé dans %1, il n&apos;y a donc aucun format de destination. Veuillez réinstaller le programme.</translation>
    </message>
    <message>
        <source>the RealMedia producer library &quot;%1&quot; is missing</source>
        <translation>la bibliothèque de production RealMedia &quot;%1&quot; est absente</translation>
    </message>
</context>
<context>
    <name>VideoSplitter</name>
    <message>
        <source>Error time!</source>
        <translation>Heure erronée&#xa0;!</translation>
    </message>
    <message>
        <source>Video Splitter</source>
        <translation>Découpage vidéo</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>The part to convert is empty: End must be later than Start.</source>
        <translation>La partie à convertir est vide&#xa0;: la fin doit être postérieure au début.</translation>
    </message>
    <message>
        <source>Start %1 lies outside the clip; %2 is used.</source>
        <translation>Le début %1 est hors de la vidéo&#xa0;; %2 est utilisé.</translation>
    </message>
    <message>
        <source>End %1 lies outside the clip; %2 is used.</source>
        <translation>La fin %1 est hors de la vidéo&#xa0;; %2 est utilisée.</translation>
    </message>
</context>
</TS>
