#!/usr/bin/perl
# Prepares a manual page source for installing: fills in the version and lets groff break
# Japanese text between any two characters (a break point after each wide character), and
# joins source lines between Japanese characters without the blank groff would put there.
# Usage: prepare.pl VERSION < source > page
use strict;
use warnings;
use open qw(:std :encoding(UTF-8));

my $version = shift // die "usage: prepare.pl VERSION < source > page\n";
local $/;
my $text = <STDIN>;
$text =~ s/\@VERSION\@/$version/g;
my $wide = qr/[\p{Ea=W}\p{Ea=F}]/;
my @lines = split /\n/, $text, -1;
for my $i (0 .. $#lines) {
  next if $lines[$i] =~ /^[.']/;
  my $joins = $i < $#lines && $lines[$i] =~ /$wide$/ && $lines[$i + 1] =~ /^$wide/;
  $lines[$i] =~ s/($wide)(?=.)/$1\\:/g;
  $lines[$i] .= '\\c' if $joins;
}
print join("\n", @lines);
